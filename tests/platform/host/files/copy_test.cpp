// Copies: beside the destination and renamed into place, by the kernel.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "files_fixture.h"
#include "platform/host/files/copy_data.h"
#include "scratch_volume.h"
#include "tests/support/host_files.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using platform::FileStatus;

using WNames = std::vector<std::wstring>;

class CopyTest : public FilesTest {};

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

TEST_F(CopyTest, ACopyKeepsDataModeAndTimeAndLeavesNothingBeside) {
  device_.WriteFile("sd card/bin/Main_Ap.exe", "#!/bin/sh\necho started\n");
  const fs::path source = device_.Host("sd card/bin/Main_Ap.exe");
  fs::permissions(source, fs::perms(0755));
  const fs::file_time_type written = fs::last_write_time(source) - std::chrono::hours(30);
  fs::last_write_time(source, written);
  ASSERT_EQ(Files().CopyFile(L"\\SD Card\\BIN\\main_ap.exe", L"\\System\\Main_Ap.exe", false), FileStatus::Ok);
  const fs::path copy = device_.Host("System/Main_Ap.exe");
  EXPECT_EQ(device_.ReadFile("System/Main_Ap.exe"), "#!/bin/sh\necho started\n");
  EXPECT_EQ(fs::status(copy).permissions(), fs::perms(0755 & ~CurrentUmask()));
  EXPECT_EQ(fs::last_write_time(copy), written);
  EXPECT_EQ(List(L"\\System\\*.*"), (WNames{L"Main_Ap.exe"}));
  device_.WriteFile("sd card/empty.bin", "");
  EXPECT_EQ(Files().CopyFile(L"\\sd card\\empty.bin", L"\\System\\empty.bin", false), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("System/empty.bin"), "");
}

TEST_F(CopyTest, FailedCopiesSayWhyAndChangeNothing) {
  device_.WriteFile("FlashHd/a.bin", "a");
  device_.MakeFolder("FlashHd/Folder");
  fs::create_symlink("a.bin", device_.Host("FlashHd/same.bin"));
  struct Case {
    const wchar_t* from;
    const wchar_t* to;
    FileStatus status;
  };
  for (const Case& c : {Case{L"\\FlashHd\\missing.bin", L"\\FlashHd\\b.bin", FileStatus::FileNotFound},
                        Case{L"\\Missing\\a.bin", L"\\FlashHd\\b.bin", FileStatus::PathNotFound},
                        Case{L"\\FlashHd\\a.bin", L"\\FlashHd\\Missing\\b.bin", FileStatus::PathNotFound},
                        Case{L"\\FlashHd\\a.bin", L"\\FlashHd\\Folder", FileStatus::AccessDenied},
                        Case{L"\\FlashHd\\a.bin", L"\\FlashHd\\new\\", FileStatus::InvalidName},
                        Case{L"\\FlashHd\\a.bin", L"\\", FileStatus::AccessDenied},
                        Case{L"\\FlashHd\\Folder", L"\\FlashHd\\b.bin", FileStatus::AccessDenied},
                        Case{L"\\FlashHd\\a.bin", L"\\FlashHd\\a.bin", FileStatus::AccessDenied},
                        Case{L"\\FlashHd\\a.bin", L"\\FLASHHD\\A.BIN", FileStatus::AccessDenied},
                        Case{L"\\FlashHd\\same.bin", L"\\FlashHd\\a.bin", FileStatus::AccessDenied}}) {
    EXPECT_EQ(Files().CopyFile(c.from, c.to, false), c.status) << wcslen(c.from) << " " << wcslen(c.to);
  }
  EXPECT_EQ(device_.ReadFile("FlashHd/a.bin"), "a");
  EXPECT_EQ(List(L"\\FlashHd\\*.*"), (WNames{L"Folder", L"a.bin", L"same.bin"}));
}

TEST_F(CopyTest, ACopyIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
  device_.WriteFile("FlashHd/new.txt", "new");
  ScratchVolume volume(device_.Host("Windows/ro"), 1 << 20);
  if (volume.Mounted()) {
    device_.WriteFile("Windows/ro/old.txt", "old");
    ASSERT_TRUE(volume.MakeReadOnly());
  } else if (geteuid() != 0) {
    device_.WriteFile("Windows/ro/old.txt", "old");
    fs::permissions(device_.Host("Windows/ro"), fs::perms(0555));
  } else {
    GTEST_SKIP() << "root, and no tmpfs can be mounted";
  }
  EXPECT_EQ(Files().CopyFile(L"\\FlashHd\\new.txt", L"\\Windows\\ro\\old.txt", false), FileStatus::AccessDenied);
  EXPECT_EQ(Files().ReplaceFile(L"\\Windows\\ro\\old.txt", "new"), FileStatus::AccessDenied);
  EXPECT_EQ(Files().CreateDirectory(L"\\Windows\\ro\\New"), FileStatus::AccessDenied);
  EXPECT_EQ(device_.ReadFile("Windows/ro/old.txt"), "old");
  EXPECT_EQ(List(L"\\Windows\\ro\\*.*"), (WNames{L"old.txt"}));
}

TEST_F(CopyTest, AFullVolumeGivesDiskFullAndKeepsTheOldFile) {
  const fs::path card = outside_.path() / "card";
  ScratchVolume volume(card, 128 * 1024);
  if (!volume.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  std::ofstream(card / "keep.bin") << "keep";
  Mount(L"sd card", card);
  const std::string big(1 << 20, 'x');
  device_.WriteFile("FlashHd/big.bin", big);
  EXPECT_EQ(Files().CopyFile(L"\\FlashHd\\big.bin", L"\\sd card\\keep.bin", false), FileStatus::DiskFull);
  EXPECT_EQ(Files().ReplaceFile(L"\\sd card\\keep.bin", big), FileStatus::DiskFull);
  EXPECT_EQ(List(L"\\sd card\\*.*"), (WNames{L"keep.bin"}));
  EXPECT_EQ(Read(L"\\sd card\\keep.bin"), "keep");

  // Between two file systems the data goes by the fallbacks; moving a file copies it.
  device_.WriteFile("FlashHd/small.bin", std::string(10000, 's'));
  EXPECT_EQ(Files().CopyFile(L"\\FlashHd\\small.bin", L"\\sd card\\small.bin", true), FileStatus::Ok);
  EXPECT_EQ(Read(L"\\sd card\\small.bin"), std::string(10000, 's'));
  EXPECT_EQ(Files().MoveFile(L"\\FlashHd\\small.bin", L"\\sd card\\small.bin"), FileStatus::AlreadyExists);
  EXPECT_EQ(Files().MoveFile(L"\\FlashHd\\small.bin", L"\\sd card\\moved.bin"), FileStatus::Ok);
  EXPECT_EQ(Read(L"\\sd card\\moved.bin"), std::string(10000, 's'));
  EXPECT_FALSE(device_.Exists("FlashHd/small.bin"));
  device_.MakeFolder("FlashHd/Folder");
  EXPECT_EQ(Files().MoveFile(L"\\FlashHd\\Folder", L"\\sd card\\Folder"), FileStatus::AccessDenied);
  EXPECT_TRUE(device_.IsFolder("FlashHd/Folder"));
}

TEST(CopyDataTest, DataTheKernelCannotCopyGoesAnotherWay) {
  TempFolder folder;
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::string data(300000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  std::thread feeder([&] {
    for (std::size_t done = 0; done < data.size();) {
      const ssize_t n = write(pipeEnds[1], data.data() + done, data.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(pipeEnds[1]);
  });
  const fs::path target = folder.path() / "copy.bin";
  const platform::host::UniqueFd out(open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  EXPECT_EQ(platform::host::CopyData(pipeEnds[0], out.Get(), data.size()), 0);
  feeder.join();
  close(pipeEnds[0]);
  EXPECT_EQ(ReadHostFile(target), data);
}

}  // namespace
}  // namespace initap::test
