#include "platform/host/shell/host_shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/host/files/host_files.h"
#include "platform/host/kernel/host_kernel.h"
#include "platform/host/utf8.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace platform::host;
namespace fs = std::filesystem;

class HostShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Root() / "Windows");
    fs::create_directories(Root() / "System");
    std::string error;
    files_ = HostFileSystem::Open(device_, error);
    ASSERT_TRUE(files_) << error;
    shell_ = std::make_unique<HostShell>(device_, *files_, kernel_,
                                         [this](std::string_view line) { echoed_.emplace_back(line); });
  }

  fs::path Root() const { return temp_.path() / "root"; }
  fs::path Out() const { return temp_.path() / "out"; }

  // A script standing in for a device program; `body` runs under /bin/sh.
  void Program(const fs::path& file, const std::string& body, fs::perms perms = fs::perms::owner_all) {
    std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(file, perms);
  }

  std::vector<std::string> LogLines() const {
    std::ifstream in(temp_.path() / "launched.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // What a file the started programs write holds once it has `lines` lines:
  // programs run detached, and each has ended its writing by then.
  static std::string Lines(const fs::path& file, long lines) {
    std::string text = Read(file);
    for (int i = 0; i < 1000 && std::count(text.begin(), text.end(), '\n') < lines; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      text = Read(file);
    }
    return text;
  }

  static std::string Read(const fs::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  initap::test::TempFolder temp_;
  DeviceFolder device_{temp_.path(), {}};
  HostKernel kernel_{device_};
  std::unique_ptr<HostFileSystem> files_;
  std::unique_ptr<HostShell> shell_;
  std::vector<std::string> echoed_;
};

TEST_F(HostShellTest, StartsADetachedProgramAndNotesIt) {
  const fs::path release = temp_.path() / "release";
  Program(Root() / "System" / "Main_Ap.exe", "read line; echo \"stdin:$line:$0\" > '" + Out().string() +
                                                 ".tmp'\n"
                                                 "read -r pid comm state ppid group session rest < /proc/$$/stat\n"
                                                 "echo \"$session\" >> '" +
                                                 Out().string() +
                                                 ".tmp'\n"
                                                 // Gives up with the test's folder, should the test end early.
                                                 "while [ ! -e '" +
                                                 release.string() + "' ] && [ -d '" + temp_.path().string() +
                                                 "' ]; do sleep 0.01; done\n"
                                                 "mv '" +
                                                 Out().string() + ".tmp' '" + Out().string() + "'");
  ASSERT_TRUE(shell_->Execute(L"\\System\\Main_Ap.exe"));
  // Not waited for: the program is still blocked, and nothing is left to reap.
  EXPECT_FALSE(fs::exists(Out()));
  int status = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  std::ofstream(release).put('\n');
  std::istringstream written(Lines(Out(), 2));
  std::string first, session;
  std::getline(written, first);
  std::getline(written, session);
  EXPECT_THAT(first, ::testing::StartsWith("stdin::"));
  EXPECT_NE(session, std::to_string(getsid(0)));

  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_THAT(LogLines()[0], ::testing::MatchesRegex(
                                 R"(\([0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]\) started \\System\\Main_Ap\.exe)"));
  EXPECT_EQ(echoed_, LogLines());
}

TEST_F(HostShellTest, BareNamesAreProgramsOfTheWindowsFolder) {
  Program(Root() / "Windows" / "explorer.exe", "echo exe >> '" + Out().string() + "'");
  Program(Root() / "Windows" / "tool", "echo plain >> '" + Out().string() + "2'");
  EXPECT_TRUE(shell_->Execute(L"explorer"));
  EXPECT_TRUE(shell_->Execute(L"tool"));
  EXPECT_TRUE(shell_->Execute(L"\\WINDOWS\\Explorer.EXE"));
  EXPECT_FALSE(shell_->Execute(L"missing"));
  EXPECT_EQ(Lines(Out(), 2), "exe\nexe\n");
  EXPECT_EQ(Lines(Out().string() + "2", 1), "plain\n");
  ASSERT_EQ(LogLines().size(), 4u);
  EXPECT_THAT(LogLines()[0], ::testing::EndsWith(") started explorer"));
  EXPECT_THAT(LogLines()[1], ::testing::EndsWith(") started tool"));
  EXPECT_THAT(LogLines()[3], ::testing::EndsWith(") failed missing"));
}

TEST_F(HostShellTest, RealExecutablesStart) {
  fs::copy_file("/bin/true", Root() / "Windows" / "true.exe");
  EXPECT_TRUE(shell_->Execute(L"\\Windows\\true.exe"));
}

TEST_F(HostShellTest, FilesThatCannotRunFailToStart) {
  Program(Root() / "Windows" / "plain.exe", "exit 0", fs::perms::owner_read | fs::perms::owner_write);
  std::ofstream(Root() / "Windows" / "orphan.exe") << "#!/no/such/interpreter\n";
  fs::permissions(Root() / "Windows" / "orphan.exe", fs::perms::owner_all);
  std::ofstream(Root() / "Windows" / "garbage.exe") << "\x7f"
                                                       "ELF not really";
  fs::permissions(Root() / "Windows" / "garbage.exe", fs::perms::owner_all);
  fs::create_directory(Root() / "Windows" / "folder.exe");
  const wchar_t* requests[] = {L"\\Windows\\plain.exe",  L"\\Windows\\orphan.exe", L"\\Windows\\garbage.exe",
                               L"\\Windows\\folder.exe", L"\\Windows\\none.exe",   L""};
  for (const wchar_t* request : requests) EXPECT_FALSE(shell_->Execute(request)) << ToUtf8(request);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_THAT(lines[0], ::testing::EndsWith(") failed \\Windows\\plain.exe"));
  EXPECT_THAT(lines[4], ::testing::EndsWith(") failed \\Windows\\none.exe"));
  EXPECT_THAT(lines[5], ::testing::EndsWith(") failed "));
}

TEST_F(HostShellTest, WindowsProgramsOfTheDeviceCountAsStartedWhateverTheirMode) {
  // An MZ header pointing at a PE signature right after it.
  std::string image(64, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 64;
  const std::string program = image + std::string("PE\0\0", 4);
  struct Case {
    const char* name;
    std::string content;
    bool started;
  };
  for (const Case& c : {Case{"program.exe", program, true}, Case{"header.exe", image, false},
                        Case{"text.exe", "MZ but no program", false}}) {
    std::ofstream(Root() / "Windows" / c.name, std::ios::binary) << c.content;
    fs::permissions(Root() / "Windows" / c.name, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(shell_->Execute(L"\\Windows\\" + FromUtf8(c.name)), c.started) << c.name;
  }
  ASSERT_EQ(LogLines().size(), 3u);
  EXPECT_THAT(LogLines()[0], ::testing::EndsWith(") started \\Windows\\program.exe"));
  // Nothing ran: the folder holds what it held.
  EXPECT_EQ(std::distance(fs::directory_iterator(Root() / "Windows"), fs::directory_iterator()), 3);
}

TEST_F(HostShellTest, NothingOutsideTheDeviceIsStarted) {
  // An absolute link resolves inside the device, where there is no /bin/true.
  fs::create_symlink("/bin/true", Root() / "Windows" / "link.exe");
  fs::create_symlink("../../../../../../bin/true", Root() / "Windows" / "climb.exe");
  EXPECT_FALSE(shell_->Execute(L"\\Windows\\link.exe"));
  EXPECT_FALSE(shell_->Execute(L"\\Windows\\climb.exe"));
  EXPECT_FALSE(shell_->Execute(L"\\..\\..\\..\\..\\bin\\true"));
  EXPECT_FALSE(shell_->Execute(L"/bin/true"));
  EXPECT_FALSE(shell_->Execute(L"\\" + std::wstring(300, L'a')));
  EXPECT_EQ(LogLines().size(), 5u);
}

}  // namespace
