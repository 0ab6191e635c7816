#include "platform/host/files/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "files_fixture.h"
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

TEST_F(HostFilesTest, NamesAreFoundWithoutRegardToCase) {
  device_.WriteFile("FlashHd/Data/Config.XML", "config");
  device_.WriteFile("FlashHd/Gr\u00fc\u00dfe.txt", "hello");
  EXPECT_EQ(Files().TestOpenForRead(L"\\flashhd\\DATA\\config.xml"), FileStatus::Ok);
  EXPECT_EQ(Read(L"\\FLASHHD\\data\\CONFIG.xml"), "config");
  EXPECT_EQ(Read(L"\\FlashHd\\GR\u00dc\u00dfE.TXT"), "hello");
  FindData found;
  std::unique_ptr<platform::FindHandle> listing;
  ASSERT_EQ(Files().FindFirst(L"\\flashhd\\data\\config.xml", found, listing), FileStatus::Ok);
  EXPECT_EQ(found.name, L"Config.XML");  // as spelled on the volume
  EXPECT_EQ(Files().TestOpenForRead(L"\\FlashHd\\Data\\Config.XML.bak"), FileStatus::FileNotFound);
  EXPECT_EQ(Files().TestOpenForRead(L"\\FlashHd\\Missing\\Config.XML"), FileStatus::PathNotFound);
}

TEST_F(HostFilesTest, AnExactNameWinsOverOneInAnotherCase) {
  device_.WriteFile("System/x/a.txt", "lower");
  device_.WriteFile("System/x/A.txt", "upper");
  EXPECT_EQ(Read(L"\\System\\x\\a.txt"), "lower");
  EXPECT_EQ(Read(L"\\System\\x\\A.txt"), "upper");
  // Also when a folder on the way is spelled otherwise.
  EXPECT_EQ(Read(L"\\SYSTEM\\X\\a.txt"), "lower");
  EXPECT_EQ(Read(L"\\SYSTEM\\X\\A.txt"), "upper");
  EXPECT_EQ(Files().DeleteFile(L"\\SYSTEM\\X\\A.txt"), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("System/x/a.txt"), "lower");
  EXPECT_FALSE(device_.Exists("System/x/A.txt"));
}

TEST_F(HostFilesTest, NewNamesKeepTheirCaseAndExistingOnesAreReused) {
  ASSERT_EQ(Files().CreateDirectory(L"\\flashhd\\NewDir"), FileStatus::Ok);
  EXPECT_TRUE(device_.IsFolder("FlashHd/NewDir"));
  std::unique_ptr<platform::WriteStream> stream;
  ASSERT_EQ(Files().CreateForWrite(L"\\FLASHHD\\newdir\\File.TXT", stream), FileStatus::Ok);
  EXPECT_EQ(stream->Write("x"), FileStatus::Ok);
  EXPECT_EQ(stream->Close(), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("FlashHd/NewDir/File.TXT"), "x");

  device_.WriteFile("System/Main.txt", "old");
  EXPECT_EQ(Files().ReplaceFile(L"\\system\\MAIN.TXT", "new"), FileStatus::Ok);
  device_.WriteFile("FlashHd/src.txt", "copied");
  EXPECT_EQ(Files().CopyFile(L"\\FlashHd\\src.txt", L"\\System\\main.TXT", false), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("System/Main.txt"), "copied");
  EXPECT_EQ(List(L"\\System\\*.*"), (WNames{L"Main.txt"}));
  EXPECT_EQ(Files().CreateDirectory(L"\\SYSTEM"), FileStatus::AlreadyExists);
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

TEST_F(HostFilesTest, AFolderListsItsEntriesWithoutDots) {
  device_.WriteFile("FlashHd/Old/a.txt", "abc");
  device_.MakeFolder("FlashHd/Old/Sub");
  for (const wchar_t* pattern : {L"\\FlashHd\\Old\\*.*", L"\\flashhd\\old\\*", L"FlashHd/Old/*.*"}) {
    EXPECT_EQ(List(pattern), (WNames{L"Sub", L"a.txt"}));
  }
  FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  ASSERT_EQ(Files().FindFirst(L"\\FlashHd\\Old\\*.*", entry, listing), FileStatus::Ok);
  do {
    if (entry.name == L"a.txt") {
      EXPECT_EQ(entry.attributes, kNormalAttribute);
      EXPECT_EQ(entry.size, 3u);
    } else {
      EXPECT_EQ(entry.attributes, kDirectoryAttribute);
    }
  } while (listing->Next(entry) == FileStatus::Ok);
  EXPECT_EQ(listing->Next(entry), FileStatus::NoMoreFiles);
}

TEST_F(HostFilesTest, AnEmptyFolderIsNoMoreFilesAndAMissingOneIsNotFound) {
  device_.MakeFolder("FlashHd/Empty");
  device_.WriteFile("FlashHd/file.txt", "x");
  FileStatus status;
  List(L"\\FlashHd\\Empty\\*.*", &status);
  EXPECT_EQ(status, FileStatus::NoMoreFiles);
  FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  EXPECT_EQ(Files().FindFirst(L"\\FlashHd\\Empty\\*.*", entry, listing), FileStatus::NoMoreFiles);
  EXPECT_FALSE(listing);
  List(L"\\FlashHd\\Missing\\*.*", &status);
  EXPECT_EQ(status, FileStatus::PathNotFound);
  List(L"\\FlashHd\\file.txt\\*.*", &status);
  EXPECT_EQ(status, FileStatus::PathNotFound);
  List(L"\\FlashHd\\*.txt", &status);
  EXPECT_EQ(status, FileStatus::InvalidName);  // only whole folders are listed
}

TEST_F(HostFilesTest, APatternWithoutWildcardFindsThePathItself) {
  device_.WriteFile("FlashHd/a.txt", "12345");
  struct Case {
    const wchar_t* path;
    FileStatus status;
    std::uint32_t attributes;
  };
  for (const Case& c : {Case{L"\\FlashHd", FileStatus::Ok, kDirectoryAttribute},
                        Case{L"\\flashhd\\", FileStatus::Ok, kDirectoryAttribute},
                        Case{L"\\", FileStatus::Ok, kDirectoryAttribute},
                        Case{L"\\FlashHd\\A.TXT", FileStatus::Ok, kNormalAttribute},
                        Case{L"\\FlashHd\\a.txt\\", FileStatus::FileNotFound, 0},
                        Case{L"\\FlashHd\\b.txt", FileStatus::FileNotFound, 0},
                        Case{L"\\Missing\\b.txt", FileStatus::PathNotFound, 0}}) {
    FindData found;
    std::unique_ptr<platform::FindHandle> listing;
    ASSERT_EQ(Files().FindFirst(c.path, found, listing), c.status) << "path of " << wcslen(c.path);
    if (c.status != FileStatus::Ok) continue;
    EXPECT_EQ(found.attributes, c.attributes);
    EXPECT_EQ(listing->Next(found), FileStatus::NoMoreFiles);
  }
  FindData file;
  std::unique_ptr<platform::FindHandle> listing;
  ASSERT_EQ(Files().FindFirst(L"\\FlashHd\\a.txt", file, listing), FileStatus::Ok);
  EXPECT_EQ(file.name, L"a.txt");
  EXPECT_EQ(file.size, 5u);
}

TEST_F(HostFilesTest, DeletingReturnedEntriesDoesNotDisturbTheListing) {
  for (int i = 0; i < 40; ++i) device_.WriteFile("FlashHd/Old/f" + std::to_string(i), "x");
  device_.MakeFolder("FlashHd/Old/Sub");
  int files = 0, folders = 0;
  FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  ASSERT_EQ(Files().FindFirst(L"\\FlashHd\\Old\\*.*", entry, listing), FileStatus::Ok);
  do {
    const std::wstring path = L"\\FlashHd\\Old\\" + entry.name;
    if (entry.attributes & kDirectoryAttribute) {
      ++folders;
      EXPECT_EQ(Files().RemoveDirectory(path), FileStatus::Ok);
    } else {
      ++files;
      EXPECT_EQ(Files().DeleteFile(path), FileStatus::Ok);
    }
  } while (listing->Next(entry) == FileStatus::Ok);
  EXPECT_EQ(files, 40);
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(Files().RemoveDirectory(L"\\FlashHd\\Old\\"), FileStatus::Ok);
  EXPECT_FALSE(device_.Exists("FlashHd/Old"));
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

TEST_F(HostFilesTest, FoldersAreCreatedOnceAndRemovedOnlyWhenEmpty) {
  EXPECT_EQ(Files().CreateDirectory(L"\\FlashHd\\New\\"), FileStatus::Ok);
  EXPECT_EQ(Files().CreateDirectory(L"\\FlashHd\\new"), FileStatus::AlreadyExists);
  EXPECT_EQ(Files().CreateDirectory(L"\\"), FileStatus::AlreadyExists);
  EXPECT_EQ(Files().CreateDirectory(L"\\FlashHd\\Missing\\New"), FileStatus::PathNotFound);
  device_.WriteFile("FlashHd/New/a.txt", "x");
  EXPECT_EQ(Files().RemoveDirectory(L"\\FlashHd\\New"), FileStatus::DirectoryNotEmpty);
  EXPECT_EQ(Files().RemoveDirectory(L"\\FlashHd\\New\\a.txt"), FileStatus::PathNotFound);
  EXPECT_EQ(Files().DeleteFile(L"\\FlashHd\\New\\a.txt"), FileStatus::Ok);
  EXPECT_EQ(Files().RemoveDirectory(L"\\FlashHd\\NEW"), FileStatus::Ok);
  EXPECT_EQ(Files().RemoveDirectory(L"\\FlashHd\\New"), FileStatus::FileNotFound);
  EXPECT_EQ(Files().RemoveDirectory(L"\\"), FileStatus::AccessDenied);
  EXPECT_FALSE(device_.Exists("FlashHd/New"));
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

TEST_F(HostFilesTest, MoveNeverReplacesAndNeedsTheDestinationFolder) {
  device_.WriteFile("Windows/Nav.lnk", "new");
  device_.WriteFile("Windows/Desktop/nav.LNK", "old");
  EXPECT_EQ(Files().MoveFile(L"\\Windows\\Nav.lnk", L"\\Windows\\Desktop\\Nav.lnk"), FileStatus::AlreadyExists);
  EXPECT_EQ(device_.ReadFile("Windows/Desktop/nav.LNK"), "old");
  EXPECT_EQ(device_.ReadFile("Windows/Nav.lnk"), "new");
  EXPECT_EQ(Files().MoveFile(L"\\Windows\\Nav.lnk", L"\\Windows\\Bureau\\Nav.lnk"), FileStatus::PathNotFound);
  EXPECT_EQ(Files().MoveFile(L"\\Windows\\Gone.lnk", L"\\Windows\\Desktop\\Gone.lnk"), FileStatus::FileNotFound);
  device_.RemoveFile("Windows/Desktop/nav.LNK");
  EXPECT_EQ(Files().MoveFile(L"\\Windows\\nav.lnk", L"\\windows\\desktop\\Nav.lnk"), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("Windows/Desktop/Nav.lnk"), "new");
  EXPECT_FALSE(device_.Exists("Windows/Nav.lnk"));
  // A change of case alone renames.
  EXPECT_EQ(Files().MoveFile(L"\\Windows\\Desktop\\Nav.lnk", L"\\Windows\\Desktop\\NAV.LNK"), FileStatus::Ok);
  EXPECT_EQ(List(L"\\Windows\\Desktop\\*.*"), (WNames{L"NAV.LNK"}));
}

TEST_F(HostFilesTest, AppendedTextLandsAtTheEndAtClose) {
  device_.WriteFile("FlashHd/updatelog.txt", "earlier\n");
  std::unique_ptr<platform::AppendStream> log;
  ASSERT_EQ(Files().OpenAppend(L"\\FlashHd\\updatelog.txt", log), FileStatus::Ok);
  EXPECT_EQ(log->Write(L"(01-03 09:05) "), FileStatus::Ok);
  EXPECT_EQ(log->Write(L"found update file \\FlashHd\\update.xml \u00e9.\n"), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("FlashHd/updatelog.txt"), "earlier\n");
  EXPECT_EQ(log->Close(), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("FlashHd/updatelog.txt"),
            "earlier\n(01-03 09:05) found update file \\FlashHd\\update.xml \xc3\xa9.\n");

  ASSERT_EQ(Files().OpenAppend(L"\\FlashHd\\new.txt", log), FileStatus::Ok);
  log.reset();  // closed unwritten: the file exists, empty
  EXPECT_EQ(device_.ReadFile("FlashHd/new.txt"), "");
  EXPECT_EQ(Files().OpenAppend(L"\\Missing\\log.txt", log), FileStatus::PathNotFound);
  EXPECT_EQ(Files().OpenAppend(L"\\FlashHd", log), FileStatus::AccessDenied);
}

TEST_F(HostFilesTest, TheEchoHookSeesEveryLineOfItsFile) {
  std::vector<std::string> echoed;
  Files().SetAppendEcho(L"\\FlashHd\\updatelog.txt", [&](std::string_view bytes) { echoed.emplace_back(bytes); });
  for (const wchar_t* path : {L"\\FlashHd\\updatelog.txt", L"\\flashhd/UPDATELOG.TXT", L"\\FlashHd\\other.txt"}) {
    std::unique_ptr<platform::AppendStream> log;
    ASSERT_EQ(Files().OpenAppend(path, log), FileStatus::Ok);
    log->Write(L"line ");
    log->Write(L"\u00e9\n");
    EXPECT_EQ(log->Close(), FileStatus::Ok);
  }
  EXPECT_EQ(echoed, (std::vector<std::string>{"line \xc3\xa9\n", "line \xc3\xa9\n"}));
}

TEST_F(HostFilesTest, LinesAppendedFromTwoThreadsStayWhole) {
  constexpr int kLines = 300;
  const auto writer = [this](char tag) {
    for (int i = 0; i < kLines; ++i) {
      std::unique_ptr<platform::AppendStream> log;
      if (Files().OpenAppend(L"\\FlashHd\\updatelog.txt", log) != FileStatus::Ok) return;
      log->Write(std::wstring(1, tag) + L" stamp ");
      log->Write(std::wstring(40, tag) + L" " + std::to_wstring(i) + L"\n");
      log->Close();
    }
  };
  Files();
  std::thread first(writer, L'a');
  std::thread second(writer, L'b');
  first.join();
  second.join();
  std::istringstream lines(device_.ReadFile("FlashHd/updatelog.txt"));
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    const char tag = line.empty() ? '?' : line[0];
    ASSERT_EQ(line.substr(0, 49), std::string(1, tag) + " stamp " + std::string(40, tag) + " ") << line;
  }
  EXPECT_EQ(count, 2 * kLines);
}

TEST_F(HostFilesTest, CreateForWriteTruncatesAndWritesBinary) {
  device_.WriteFile("Windows/a.lnk", "a much longer earlier content");
  std::unique_ptr<platform::WriteStream> stream;
  ASSERT_EQ(Files().CreateForWrite(L"\\windows\\A.LNK", stream), FileStatus::Ok);
  EXPECT_EQ(stream->Write(std::string_view("1\0\r\n", 4)), FileStatus::Ok);
  EXPECT_EQ(stream->Close(), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("Windows/a.lnk"), std::string("1\0\r\n", 4));
  EXPECT_EQ(Files().CreateForWrite(L"\\Windows\\Desktop\\b.lnk", stream), FileStatus::PathNotFound);
  EXPECT_EQ(Files().CreateForWrite(L"\\Windows\\" + std::wstring(256, L'n'), stream), FileStatus::InvalidName);
  EXPECT_EQ(Files().CreateDirectory(L"\\Windows\\" + std::wstring(256, L'n')), FileStatus::InvalidName);
  EXPECT_EQ(List(L"\\Windows\\*.*"), (WNames{L"a.lnk"}));
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
    const auto log = device_.Host("FlashHd/updatelog.txt");
    EXPECT_EQ(WithoutBlocking(log, [&] {
                std::unique_ptr<platform::AppendStream> stream;
                return Files().OpenAppend(L"\\FlashHd\\updatelog.txt", stream);
              }),
              FileStatus::AccessDenied);
    const auto shortcut = device_.Host("Windows/Navigation.lnk");
    EXPECT_EQ(WithoutBlocking(shortcut, [&] {
                std::unique_ptr<platform::WriteStream> stream;
                return Files().CreateForWrite(L"\\Windows\\Navigation.lnk", stream);
              }),
              FileStatus::AccessDenied);
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
