#include "platform/host/files/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <tuple>

#include <filesystem>
#include <fstream>
#include <thread>

#include "files_fixture.h"
#include "platform/common/append_echo.h"
#include "platform/common/device_volumes.h"
#include "platform/host/utf8.h"
#include "tests/support/fifo.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using platform::FileStatus;
using platform::FindData;
using platform::kDirectoryAttribute;
using platform::kNormalAttribute;
using platform::host::DeviceFolder;
using platform::host::HostFileSystem;

using WNames = std::vector<std::wstring>;

TEST(HostFileSystemOpenTest, ADeviceWithoutRootOrWithAMissingMountFolderIsRefused) {
  TempFolder device;
  std::string error;
  EXPECT_FALSE(HostFileSystem::Open(DeviceFolder{device.path(), {}}, error));
  EXPECT_EQ(error, "no folder root/ in " + device.path().string());

  fs::create_directory(device.path() / "root");
  const fs::path card = device.path() / "card";
  EXPECT_FALSE(HostFileSystem::Open(DeviceFolder{device.path(), {{L"sd card", card}}}, error));
  EXPECT_EQ(error, "mount folder " + card.string() + " does not exist");

  fs::create_directory(card);
  EXPECT_FALSE(HostFileSystem::Open(DeviceFolder{device.path(), {{L"sd\\card", card}}}, error));
  EXPECT_NE(error.find("is not a volume name"), std::string::npos) << error;
  EXPECT_FALSE(HostFileSystem::Open(DeviceFolder{device.path(), {{L"", card}}}, error));
  EXPECT_FALSE(HostFileSystem::Open(DeviceFolder{device.path(), {{L"Card", card}, {L"CARD", card}}}, error));
  EXPECT_NE(error.find("mounted twice"), std::string::npos) << error;

  error.clear();
  EXPECT_TRUE(HostFileSystem::Open(DeviceFolder{device.path(), {{L"sd card", card}}}, error));
  EXPECT_EQ(error, "");
}

class HostFilesTest : public FilesTest {};

TEST_F(HostFilesTest, OfNamesAlikeButForCaseTheDeviceSeesTheFirstInCodePointOrder) {
  device_.WriteFile("System/x/a.txt", "lower");
  device_.WriteFile("System/x/A.txt", "upper");
  device_.WriteFile("Windows/d/in.txt", "lower folder");
  device_.WriteFile("Windows/D/in.txt", "upper folder");
  // However the path is spelled, and also for a folder on the way.
  EXPECT_EQ(Read(L"\\System\\x\\a.txt"), "upper");
  EXPECT_EQ(Read(L"\\SYSTEM\\X\\A.TXT"), "upper");
  EXPECT_EQ(Read(L"\\Windows\\d\\in.txt"), "upper folder");
  EXPECT_EQ(List(L"\\System\\x\\*.*"), (std::vector<std::wstring>{L"A.txt"}));
  EXPECT_EQ(List(L"\\Windows\\*.*"), (std::vector<std::wstring>{L"D"}));
  // With the one it saw gone, the other stays hidden for the boot, as a dry
  // run sees it; the next boot sees it.
  EXPECT_EQ(Files().DeleteFile(L"\\System\\x\\a.txt"), FileStatus::Ok);
  EXPECT_FALSE(device_.Exists("System/x/A.txt"));
  EXPECT_EQ(Read(L"\\System\\x\\A.txt"), "<2>");
  files_.reset();
  EXPECT_EQ(Read(L"\\System\\x\\A.txt"), "lower");
}

TEST_F(HostFilesTest, AFileTooLargeForTheDevicesVolumesIsNotThereForABootNorADryRun) {
  device_.WriteFile("FlashHd/small.bin", "s");
  std::filesystem::resize_file(device_.Folder() / "root/FlashHd/small.bin", platform::kLargestFile);
  device_.WriteFile("FlashHd/huge.bin", "h");
  std::filesystem::resize_file(device_.Folder() / "root/FlashHd/huge.bin", platform::kLargestFile + 1);
  for (const bool dryRun : {false, true}) {
    std::string error;
    const auto files = platform::host::OpenHostFiles({device_.Folder(), {}, dryRun}, error);
    ASSERT_TRUE(files) << error;
    platform::FindData entry;
    std::unique_ptr<platform::FindHandle> listing;
    ASSERT_EQ(files->FindFirst(L"\\FlashHd\\*.*", entry, listing), FileStatus::Ok);
    EXPECT_EQ(entry.name, L"small.bin");
    EXPECT_EQ(entry.size, platform::kLargestFile);
    EXPECT_EQ(listing->Next(entry), FileStatus::NoMoreFiles);
    EXPECT_EQ(files->TestOpenForRead(L"\\FlashHd\\huge.bin"), FileStatus::FileNotFound) << dryRun;
    EXPECT_EQ(files->CopyFile(L"\\FlashHd\\huge.bin", L"\\System\\huge.bin", false), FileStatus::FileNotFound);
  }
}

TEST_F(HostFilesTest, NamesMadeOrRemovedByOtherProgramsAreSeen) {
  device_.WriteFile("Windows/a.txt", "a");
  // The lookups below read the folder's names; the host then changes it behind our back.
  EXPECT_EQ(Files().TestOpenForRead(L"\\windows\\A.TXT"), FileStatus::Ok);
  EXPECT_EQ(Files().TestOpenForRead(L"\\windows\\b.txt"), FileStatus::FileNotFound);
  device_.WriteFile("Windows/B.txt", "b");
  device_.RemoveFile("Windows/a.txt");
  device_.WriteFile("Windows/c.TXT", "c");
  EXPECT_EQ(Read(L"\\windows\\b.TXT"), "b");
  EXPECT_EQ(Files().TestOpenForRead(L"\\windows\\A.TXT"), FileStatus::FileNotFound);
  // Our own changes keep what is known of the folder right as well.
  EXPECT_EQ(Files().DeleteFile(L"\\Windows\\C.txt"), FileStatus::Ok);
  EXPECT_EQ(Files().TestOpenForRead(L"\\windows\\C.TXT"), FileStatus::FileNotFound);
  EXPECT_EQ(Files().ReplaceFile(L"\\Windows\\D.txt", "d"), FileStatus::Ok);
  EXPECT_EQ(Read(L"\\windows\\d.TXT"), "d");
  EXPECT_EQ(List(L"\\Windows\\*.*"), (WNames{L"B.txt", L"D.txt"}));
}

TEST_F(HostFilesTest, TheRootListsItsVolumesAndTheMountedOnes) {
  const fs::path card = outside_.path() / "card";
  const fs::path storage = outside_.path() / "storage";
  fs::create_directories(card);
  fs::create_directories(storage);
  std::ofstream(card / "update.xml") << "<x/>";
  device_.WriteFile("sd card/hidden.txt", "under the mount");
  Mount(L"SD Card", card);
  Mount(L"Storage Card", storage);
  EXPECT_EQ(List(L"\\*.*"), (WNames{L"FlashHd", L"SD Card", L"Storage Card", L"System", L"Windows"}));
  EXPECT_EQ(List(L"\\sd card\\*.*"), (WNames{L"update.xml"}));
  EXPECT_EQ(Read(L"\\sd card\\update.xml"), "<x/>");
  EXPECT_EQ(Files().TestOpenForRead(L"\\sd card\\hidden.txt"), FileStatus::FileNotFound);
  FileStatus status;
  List(L"\\Storage Card\\*.*", &status);
  EXPECT_EQ(status, FileStatus::NoMoreFiles);

  // Writing, moving and removing work in the mounted folder, ".." leads back to root/.
  EXPECT_EQ(Files().CreateDirectory(L"\\storage card\\New"), FileStatus::Ok);
  EXPECT_TRUE(fs::is_directory(storage / "New"));
  EXPECT_EQ(Files().CopyFile(L"\\SD CARD\\update.xml", L"\\Storage Card\\New\\u.xml", true), FileStatus::Ok);
  EXPECT_EQ(Files().MoveFile(L"\\Storage Card\\New\\u.xml", L"\\FlashHd\\u.xml"), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("FlashHd/u.xml"), "<x/>");
  EXPECT_EQ(Read(L"\\Storage Card\\..\\FlashHd\\u.xml"), "<x/>");
  EXPECT_EQ(Files().RemoveDirectory(L"\\Storage Card\\New\\"), FileStatus::Ok);
  EXPECT_EQ(Files().RemoveDirectory(L"\\Storage Card\\"), FileStatus::AccessDenied);
  EXPECT_TRUE(fs::is_directory(storage));
  FindData found;
  std::unique_ptr<platform::FindHandle> listing;
  ASSERT_EQ(Files().FindFirst(L"\\storage card\\", found, listing), FileStatus::Ok);
  EXPECT_EQ(found.attributes, kDirectoryAttribute);
}

TEST_F(HostFilesTest, DeleteRemovesFilesOnly) {
  device_.WriteFile("FlashHd/a.bin", "x");
  device_.WriteFile("FlashHd/*", "a host file named like a wildcard");
  device_.MakeFolder("FlashHd/Folder");
  EXPECT_EQ(Files().DeleteFile(L"\\FlashHd\\Folder"), FileStatus::AccessDenied);
  EXPECT_EQ(Files().DeleteFile(L"\\FlashHd\\Folder\\"), FileStatus::AccessDenied);
  EXPECT_TRUE(device_.IsFolder("FlashHd/Folder"));
  EXPECT_EQ(Files().DeleteFile(L"\\FlashHd\\*"), FileStatus::InvalidName);
  EXPECT_TRUE(device_.Exists("FlashHd/*"));
  EXPECT_EQ(Files().DeleteFile(L"\\FlashHd\\missing.bin"), FileStatus::FileNotFound);
  EXPECT_EQ(Files().DeleteFile(L"\\"), FileStatus::AccessDenied);
  EXPECT_EQ(Files().DeleteFile(L"\\FLASHHD\\A.BIN"), FileStatus::Ok);
  EXPECT_FALSE(device_.Exists("FlashHd/a.bin"));
}

TEST_F(HostFilesTest, TheEchoHookSeesEveryLineOfItsFile) {
  std::vector<std::string> echoed;
  platform::ObservedFileSystem observed(Files());
  platform::AppendEcho echo(L"\\FlashHd\\updatelog.txt",
                            [&](std::wstring_view text) { echoed.push_back(platform::host::ToUtf8(text)); });
  observed.AddListener(echo);
  for (const wchar_t* path : {L"\\FlashHd\\updatelog.txt", L"\\flashhd/UPDATELOG.TXT", L"\\FlashHd\\other.txt"}) {
    std::unique_ptr<platform::AppendStream> log;
    ASSERT_EQ(observed.OpenAppend(path, log), FileStatus::Ok);
    std::ignore = log->Write(L"line ");
    std::ignore = log->Write(L"\u00e9\n");
    EXPECT_EQ(log->Close(), FileStatus::Ok);
  }
  EXPECT_EQ(echoed, (std::vector<std::string>{"line \xc3\xa9\n", "line \xc3\xa9\n"}));
}

TEST_F(HostFilesTest, ReadFileTakesWholeFilesUpToItsLimit) {
  std::string bytes(100000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  device_.WriteFile("System/update.xml", bytes);
  EXPECT_EQ(Read(L"\\System\\update.xml"), bytes);
  device_.WriteFile("System/empty.xml", "");
  EXPECT_EQ(Read(L"\\System\\empty.xml"), "");
  // A sparse file one byte over the limit is refused without being read.
  device_.WriteFile("System/huge.xml", "");
  fs::resize_file(device_.Host("System/huge.xml"), 64 * 1024 * 1024 + 1);
  std::string huge = "kept?";
  EXPECT_EQ(Files().ReadFile(L"\\System\\huge.xml", huge), FileStatus::FileTooLarge);
  EXPECT_EQ(huge, "");
  EXPECT_EQ(Read(L"\\System"), "<5>");
  EXPECT_EQ(Read(L"\\System\\missing.xml"), "<2>");
  // A FIFO placed in the device is no file and does not hang the reader.
  ASSERT_EQ(mkfifo(device_.Host("System/fifo").c_str(), 0644), 0);
  EXPECT_EQ(Read(L"\\System\\fifo"), "<5>");
  EXPECT_EQ(Files().TestOpenForRead(L"\\System\\fifo"), FileStatus::AccessDenied);
  EXPECT_EQ(Files().TestOpenForRead(L"\\System"), FileStatus::AccessDenied);
}

// A FIFO where the device writes a file fails the open, read at the other
// end or not, and never blocks it.
TEST_F(HostFilesTest, OpensForWritingRefuseAFifo) {
  MakeFifo(device_.Host("FlashHd/updatelog.txt"));
  MakeFifo(device_.Host("Windows/Navigation.lnk"));
  for (const bool read : {false, true}) {
    SCOPED_TRACE(read ? "read at the other end" : "not read");
    const int reader = read ? open(device_.Host("Windows/Navigation.lnk").c_str(), O_RDONLY | O_NONBLOCK) : -1;
    const auto refused = [&](const char* fifo, auto opening) {
      EXPECT_EQ(WithoutBlocking(device_.Host(fifo), opening), FileStatus::AccessDenied) << fifo;
    };
    refused("FlashHd/updatelog.txt", [&] {
      std::unique_ptr<platform::AppendStream> stream;
      return Files().OpenAppend(L"\\FlashHd\\updatelog.txt", stream);
    });
    refused("Windows/Navigation.lnk", [&] {
      std::unique_ptr<platform::WriteStream> stream;
      return Files().CreateForWrite(L"\\Windows\\Navigation.lnk", stream);
    });
    if (reader >= 0) close(reader);
  }
}

TEST_F(HostFilesTest, ReplaceFileLeavesTheNewContentAndNoTemporaryFile) {
  device_.WriteFile("System/update.xml", "old content");
  fs::permissions(device_.Host("System/update.xml"), fs::perms(0640));
  EXPECT_EQ(Files().ReplaceFile(L"\\System\\update.xml", "new"), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("System/update.xml"), "new");
  EXPECT_EQ(fs::status(device_.Host("System/update.xml")).permissions(), fs::perms(0640));
  EXPECT_EQ(Files().ReplaceFile(L"\\System\\fresh.xml", "fresh"), FileStatus::Ok);
  EXPECT_EQ(List(L"\\System\\*.*"), (WNames{L"fresh.xml", L"update.xml"}));
  EXPECT_EQ(Files().ReplaceFile(L"\\System\\Missing\\x.xml", "x"), FileStatus::PathNotFound);
  EXPECT_EQ(Files().ReplaceFile(L"\\System", "x"), FileStatus::AccessDenied);
  EXPECT_TRUE(device_.IsFolder("System"));
}

TEST_F(HostFilesTest, OtherServicesOpenAndNameHostFilesThroughTheDevice) {
  device_.WriteFile("Windows/Logo.BMP", "BM");
  platform::host::UniqueFd logo = Files().OpenFd(L"\\windows\\logo.bmp", O_RDONLY);
  ASSERT_TRUE(logo);
  char bytes[2] = {};
  EXPECT_EQ(read(logo.Get(), bytes, 2), 2);
  EXPECT_EQ(std::string(bytes, 2), "BM");
  EXPECT_FALSE(Files().OpenFd(L"\\Windows\\missing.bmp", O_RDONLY));
  EXPECT_FALSE(Files().OpenFd(L"\\Missing\\new.bmp", O_WRONLY | O_CREAT));
  EXPECT_TRUE(Files().OpenFd(L"\\Windows\\new.bmp", O_WRONLY | O_CREAT));
  EXPECT_TRUE(device_.Exists("Windows/new.bmp"));

  const fs::path real = fs::canonical(device_.Host("Windows/Logo.BMP"));
  EXPECT_EQ(Files().HostPathOf(L"\\WINDOWS\\LOGO.bmp"), real);
  EXPECT_EQ(Files().HostPathOf(L"\\"), fs::canonical(device_.Folder() / "root"));
  EXPECT_EQ(Files().HostPathOf(L"\\Windows\\missing.bmp"), std::nullopt);
  fs::create_symlink("../Windows/Logo.BMP", device_.Host("System/logo.lnk"));
  EXPECT_EQ(Files().HostPathOf(L"\\System\\logo.lnk"), real);
}

}  // namespace
}  // namespace initap::test
