// No device path, whatever its text, reaches anything outside root/ or a mount.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "files_fixture.h"
#include "platform/host/utf8.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using platform::FileStatus;
using platform::host::FromUtf8;

class ConfinementTest : public FilesTest {
 protected:
  void SetUp() override {
    std::ofstream(outside_.path() / "secret.txt") << "SECRET";
    fs::create_directory(outside_.path() / "loot");
    std::ofstream(outside_.path() / "loot" / "outside.txt") << "SECRET";
    device_.WriteDeviceFile("beside.txt", "SECRET");
  }
  fs::path Root() const { return device_.Folder() / "root"; }
  // A device path that names `host` by climbing out of the root with "..".
  std::wstring Climbing(const fs::path& host) const {
    std::wstring path = L"\\FlashHd\\..\\..\\..\\..\\..\\..";
    for (const fs::path& part : fs::relative(host, Root())) path += L"\\" + FromUtf8(part.string());
    return path;
  }
  // True when nothing outside the device changed.
  bool OutsideUntouched() const {
    std::ifstream secret(outside_.path() / "loot" / "outside.txt");
    std::string content;
    secret >> content;
    const fs::directory_iterator entries(outside_.path() / "loot");
    return content == "SECRET" && std::distance(begin(entries), end(entries)) == 1;
  }
};

TEST_F(ConfinementTest, DotDotAndHostPathsStayInsideTheRoot) {
  for (const std::wstring& path :
       {Climbing(outside_.path() / "secret.txt"), std::wstring(L"..\\..\\..\\etc\\passwd"),
        std::wstring(L"\\..\\beside.txt"), std::wstring(L"/../../etc/passwd"),
        FromUtf8((outside_.path() / "secret.txt").string()), std::wstring(L"\\etc\\passwd")}) {
    EXPECT_NE(Read(path), "SECRET") << platform::host::ToUtf8(path);
    EXPECT_NE(Files().TestOpenForRead(path), FileStatus::Ok) << platform::host::ToUtf8(path);
  }
  // A host path written into a device path is just a device path.
  const std::wstring hostPath = FromUtf8((outside_.path() / "secret.txt").string());
  ASSERT_EQ(Files().CreateDirectory(L"\\tmp"), FileStatus::Ok);
  std::wstring folder;
  for (const fs::path& part : outside_.path().relative_path()) {
    folder += L"\\" + FromUtf8(part.string());
    Files().CreateDirectory(folder);
  }
  EXPECT_EQ(Files().ReplaceFile(hostPath, "inside"), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile(fs::relative(outside_.path() / "secret.txt", "/").string()), "inside");
  EXPECT_EQ(Read(L"\\tmp\\..\\..\\" + hostPath.substr(1)), "inside");
  // Writing by climbing lands in the root as well.
  EXPECT_EQ(Files().ReplaceFile(L"..\\..\\..\\escape.txt", "x"), FileStatus::Ok);
  EXPECT_TRUE(device_.Exists("escape.txt"));
  EXPECT_FALSE(fs::exists(device_.Folder() / "escape.txt"));
  EXPECT_EQ(device_.ReadDeviceFile("beside.txt"), "SECRET");
}

TEST_F(ConfinementTest, ALinkToTheHostRootLeadsToTheDeviceRoot) {
  device_.WriteFile("FlashHd/a.txt", "inside");
  fs::create_symlink("/", device_.Host("FlashHd/hostroot"));
  EXPECT_EQ(List(L"\\FlashHd\\hostroot\\*.*"),
            (std::vector<std::wstring>{L"FlashHd", L"System", L"Windows", L"sd card"}));
  EXPECT_EQ(Read(L"\\FlashHd\\hostroot\\FlashHd\\a.txt"), "inside");
  EXPECT_EQ(Files().TestOpenForRead(L"\\FlashHd\\hostroot\\etc\\passwd"), FileStatus::PathNotFound);
  EXPECT_EQ(Files().HostPathOf(L"\\FlashHd\\hostroot"), fs::canonical(Root()));
}

TEST_F(ConfinementTest, LinksToFoldersOutsideLeadNowhere) {
  fs::create_symlink(outside_.path() / "loot", device_.Host("FlashHd/absolute"));
  fs::create_symlink(fs::relative(outside_.path() / "loot", device_.Host("FlashHd")), device_.Host("FlashHd/relative"));
  device_.WriteFile("FlashHd/keep.txt", "keep");
  for (const std::wstring link : {L"\\FlashHd\\absolute", L"\\FlashHd\\relative"}) {
    const std::wstring inside = link + L"\\outside.txt";
    FileStatus status;
    EXPECT_TRUE(List(link + L"\\*.*", &status).empty());
    EXPECT_EQ(status, FileStatus::PathNotFound);
    EXPECT_NE(Read(inside), "SECRET");
    EXPECT_NE(Files().DeleteFile(inside), FileStatus::Ok);
    EXPECT_NE(Files().CopyFile(inside, L"\\FlashHd\\copy.txt", false), FileStatus::Ok);
    EXPECT_NE(Files().CopyFile(L"\\FlashHd\\keep.txt", link + L"\\new.txt", false), FileStatus::Ok);
    EXPECT_NE(Files().MoveFile(L"\\FlashHd\\keep.txt", link + L"\\new.txt"), FileStatus::Ok);
    EXPECT_NE(Files().ReplaceFile(inside, "overwritten"), FileStatus::Ok);
    EXPECT_NE(Files().CreateDirectory(link + L"\\New"), FileStatus::Ok);
    EXPECT_NE(Files().RemoveDirectory(link), FileStatus::Ok);
    std::unique_ptr<platform::AppendStream> append;
    EXPECT_NE(Files().OpenAppend(inside, append), FileStatus::Ok);
    EXPECT_FALSE(Files().OpenFd(inside, O_RDONLY));
    EXPECT_EQ(Files().HostPathOf(inside), std::nullopt);
    ASSERT_TRUE(OutsideUntouched());
  }
  // Deleting such a link removes the link alone.
  EXPECT_EQ(Files().DeleteFile(L"\\FlashHd\\Absolute"), FileStatus::Ok);
  EXPECT_FALSE(fs::is_symlink(device_.Host("FlashHd/absolute")));
  EXPECT_TRUE(OutsideUntouched());
}

TEST_F(ConfinementTest, ALinkToAFileOutsideShowsAsAnEmptyFileAndIsReplacedNotFollowed) {
  fs::create_symlink(outside_.path() / "loot" / "outside.txt", device_.Host("FlashHd/link.txt"));
  FileStatus status;
  EXPECT_EQ(List(L"\\FlashHd\\*.*", &status), (std::vector<std::wstring>{L"link.txt"}));
  platform::FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  ASSERT_EQ(Files().FindFirst(L"\\FlashHd\\LINK.TXT", entry, listing), FileStatus::Ok);
  EXPECT_EQ(entry.size, 0u);
  EXPECT_NE(Read(L"\\FlashHd\\link.txt"), "SECRET");
  EXPECT_EQ(Files().ReplaceFile(L"\\FlashHd\\link.txt", "inside"), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("FlashHd/link.txt"), "inside");
  EXPECT_FALSE(fs::is_symlink(device_.Host("FlashHd/link.txt")));
  EXPECT_TRUE(OutsideUntouched());
}

TEST_F(ConfinementTest, LinksThatStayInsideWork) {
  device_.WriteFile("System/x.txt", "system file");
  fs::create_symlink("../System", device_.Host("FlashHd/relative"));
  fs::create_symlink("/System", device_.Host("FlashHd/absolute"));  // absolute: from the device's root
  fs::create_symlink("../System/x.txt", device_.Host("FlashHd/x.lnk"));
  EXPECT_EQ(Read(L"\\FlashHd\\relative\\x.txt"), "system file");
  EXPECT_EQ(Read(L"\\flashhd\\ABSOLUTE\\X.TXT"), "system file");
  EXPECT_EQ(Read(L"\\FlashHd\\x.lnk"), "system file");
  EXPECT_EQ(List(L"\\FlashHd\\absolute\\*.*"), (std::vector<std::wstring>{L"x.txt"}));
  platform::FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  ASSERT_EQ(Files().FindFirst(L"\\FlashHd\\relative", entry, listing), FileStatus::Ok);
  EXPECT_EQ(entry.attributes, platform::kDirectoryAttribute);
  EXPECT_EQ(Files().CopyFile(L"\\FlashHd\\absolute\\x.txt", L"\\FlashHd\\relative\\y.txt", true), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("System/y.txt"), "system file");
  EXPECT_EQ(Files().HostPathOf(L"\\FlashHd\\relative\\y.txt"), fs::canonical(device_.Host("System/y.txt")));
}

TEST_F(ConfinementTest, AMountedFolderIsARootOfItsOwn) {
  const fs::path card = outside_.path() / "card";
  fs::create_directories(card);
  std::ofstream(card / "update.xml") << "card";
  fs::create_symlink("..", card / "up");
  fs::create_symlink("/", card / "top");
  Mount(L"sd card", card);
  EXPECT_NE(Read(L"\\sd card\\up\\secret.txt"), "SECRET");
  EXPECT_EQ(Read(L"\\sd card\\up\\update.xml"), "card");
  EXPECT_EQ(Read(L"\\sd card\\top\\update.xml"), "card");
  EXPECT_NE(Read(L"\\sd card\\..\\secret.txt"), "SECRET");
  EXPECT_NE(Read(L"\\sd card\\..\\..\\beside.txt"), "SECRET");
}

TEST_F(ConfinementTest, AFolderSwappedForALinkOutsideIsNeverFollowed) {
  // "sw" and "swap" trade places atomically: each is, in turn, a folder
  // inside and a link to a folder outside.
  device_.WriteFile("FlashHd/sw/inside.txt", "inside");
  fs::create_symlink(outside_.path() / "loot", device_.Host("FlashHd/swap"));
  fs::create_symlink(fs::relative(outside_.path() / "loot", device_.Host("FlashHd")), device_.Host("FlashHd/swap2"));
  const fs::path folder = device_.Host("FlashHd");
  Files();
  std::atomic<int> swaps{0};
  // Stopped and joined however the test ends.
  std::jthread swapper([&](std::stop_token stop) {
    const int dir = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    while (!stop.stop_requested()) {
      const char* other = swaps % 2 == 0 ? "swap" : "swap2";
      if (renameat2(dir, "sw", dir, other, RENAME_EXCHANGE) == 0) ++swaps;
    }
    close(dir);
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  int rounds = 0;
  while (std::chrono::steady_clock::now() < end || rounds < 20) {
    ++rounds;
    for (const wchar_t* name : {L"sw", L"swap", L"SW", L"swap2"}) {
      const std::wstring base = std::wstring(L"\\FlashHd\\") + name;
      for (const std::wstring& entry : List(base + L"\\*.*")) ASSERT_EQ(entry, L"inside.txt");
      ASSERT_NE(Read(base + L"\\outside.txt"), "SECRET");
      ASSERT_NE(Files().CopyFile(base + L"\\outside.txt", L"\\FlashHd\\copy.txt", false), FileStatus::Ok);
      const auto host = Files().HostPathOf(base + L"\\outside.txt");
      ASSERT_FALSE(host.has_value()) << host->string();
    }
  }
  swapper.request_stop();
  swapper.join();
  EXPECT_GT(swaps.load(), 0);
  EXPECT_TRUE(OutsideUntouched());
}

}  // namespace
}  // namespace initap::test
