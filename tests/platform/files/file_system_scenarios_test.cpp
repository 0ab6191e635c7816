// What every backend's file system does alike, run against each of them.
#include <atomic>
#include <cwchar>
#include <sstream>
#include <thread>
#include <tuple>

#include "tests/platform/files/device_files.h"

namespace initap::test {
namespace {

using platform::FileStatus;
using platform::FindData;
using platform::kDirectoryAttribute;
using platform::kNormalAttribute;

using WNames = std::vector<std::wstring>;

TEST_F(FileSystemTest, NamesAreFoundWithoutRegardToCase) {
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

TEST_F(FileSystemTest, NewNamesKeepTheirCaseAndExistingOnesAreReused) {
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

TEST_F(FileSystemTest, AFolderListsItsEntriesWithoutDots) {
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

TEST_F(FileSystemTest, AnEmptyFolderIsNoMoreFilesAndAMissingOneIsNotFound) {
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

TEST_F(FileSystemTest, APatternWithoutWildcardFindsThePathItself) {
  device_.WriteFile("FlashHd/a.txt", "12345");
  struct Case {
    const wchar_t* path;
    FileStatus status;
    std::uint32_t attributes;
  };
  for (const Case& c :
       {Case{L"\\FlashHd", FileStatus::Ok, kDirectoryAttribute},
        Case{L"\\flashhd\\", FileStatus::Ok, kDirectoryAttribute}, Case{L"\\", FileStatus::Ok, kDirectoryAttribute},
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

TEST_F(FileSystemTest, DeletingReturnedEntriesDoesNotDisturbTheListing) {
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

TEST_F(FileSystemTest, FoldersAreCreatedOnceAndRemovedOnlyWhenEmpty) {
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

TEST_F(FileSystemTest, NamesTheVolumesCannotHoldAndTheirMountPointsAreRefused) {
  device_.WriteFile("FlashHd/a.txt", "a");
  device_.MakeFolder("Storage Card");
  device_.MakeFolder("Temp");
  const struct {
    const char* what;
    FileStatus (*call)(platform::FileSystem&);
    FileStatus expected;
  } cases[] = {
      {"trailing dot", [](platform::FileSystem& f) { return f.CreateDirectory(L"\\FlashHd\\trail."); },
       FileStatus::InvalidName},
      {"trailing space",
       [](platform::FileSystem& f) { return f.CopyFile(L"\\FlashHd\\a.txt", L"\\FlashHd\\sp ", false); },
       FileStatus::InvalidName},
      {"colon", [](platform::FileSystem& f) { return f.MoveFile(L"\\FlashHd\\a.txt", L"\\FlashHd\\a:b"); },
       FileStatus::InvalidName},
      {"volume in use", [](platform::FileSystem& f) { return f.RemoveDirectory(L"\\FlashHd\\"); },
       FileStatus::AccessDenied},
      {"empty volume", [](platform::FileSystem& f) { return f.RemoveDirectory(L"\\storage card"); },
       FileStatus::AccessDenied},
      {"volume moved", [](platform::FileSystem& f) { return f.MoveFile(L"\\Storage Card", L"\\FlashHd\\Card"); },
       FileStatus::AccessDenied},
      {"folder of the root that is no volume", [](platform::FileSystem& f) { return f.RemoveDirectory(L"\\Temp\\"); },
       FileStatus::Ok},
  };
  for (const auto& c : cases) EXPECT_EQ(c.call(Files()), c.expected) << c.what;
  EXPECT_TRUE(device_.Exists("Storage Card"));
  EXPECT_FALSE(device_.Exists("Temp"));
  EXPECT_EQ(List(L"\\FlashHd\\*.*"), WNames{L"a.txt"});
}

TEST_F(FileSystemTest, MoveNeverReplacesAndNeedsTheDestinationFolder) {
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

TEST_F(FileSystemTest, AppendedTextLandsAtTheEndAtClose) {
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

TEST_F(FileSystemTest, LinesAppendedFromTwoThreadsStayWhole) {
  constexpr int kLines = 300;
  const auto writer = [this](char tag) {
    for (int i = 0; i < kLines; ++i) {
      std::unique_ptr<platform::AppendStream> log;
      if (Files().OpenAppend(L"\\FlashHd\\updatelog.txt", log) != FileStatus::Ok) return;
      std::ignore = log->Write(std::wstring(1, tag) + L" stamp ");
      std::ignore = log->Write(std::wstring(40, tag) + L" " + std::to_wstring(i) + L"\n");
      std::ignore = log->Close();
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

TEST_F(FileSystemTest, CreateForWriteTruncatesAndWritesBinary) {
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

TEST_F(FileSystemTest, AnExistingDestinationIsReplacedUnlessTheCallerRefuses) {
  device_.WriteFile("sd card/new.xml", "new");
  device_.WriteFile("System/update.xml", "old");
  EXPECT_EQ(Files().CopyFile(L"\\sd card\\new.xml", L"\\System\\UPDATE.XML", true), FileStatus::FileExists);
  EXPECT_EQ(device_.ReadFile("System/update.xml"), "old");
  EXPECT_EQ(Files().CopyFile(L"\\sd card\\new.xml", L"\\System\\update.xml", true), FileStatus::FileExists);
  EXPECT_EQ(List(L"\\System\\*.*"), (WNames{L"update.xml"}));
  EXPECT_EQ(Files().CopyFile(L"\\sd card\\new.xml", L"\\System\\UPDATE.XML", false), FileStatus::Ok);
  EXPECT_EQ(device_.ReadFile("System/update.xml"), "new");
  EXPECT_EQ(Files().CopyFile(L"\\sd card\\new.xml", L"\\System\\fresh.xml", true), FileStatus::Ok);
  EXPECT_EQ(List(L"\\System\\*.*"), (WNames{L"fresh.xml", L"update.xml"}));
}

TEST_F(FileSystemTest, AVolumeIsFlushedThroughAnyPathOnIt) {
  device_.WriteFile("FlashHd/Maps/a.bin", "map");
  EXPECT_EQ(Files().CopyFile(L"\\FlashHd\\Maps\\a.bin", L"\\FlashHd\\b.bin", false), FileStatus::Ok);
  for (const wchar_t* path : {L"\\FlashHd", L"\\flashhd\\", L"\\FlashHd\\Maps\\a.bin", L"\\FlashHd\\new\\x.bin"}) {
    EXPECT_EQ(Files().FlushVolume(path), FileStatus::Ok);
  }
}

TEST_F(FileSystemTest, AReaderNeverSeesAHalfWrittenDestination) {
  constexpr std::size_t kSize = 256 * 1024;
  device_.WriteFile("sd card/a.bin", std::string(kSize, 'a'));
  device_.WriteFile("sd card/b.bin", std::string(kSize, 'b'));
  device_.WriteFile("FlashHd/data.bin", std::string(kSize, 'a'));
  Files();
  std::atomic<int> reads{0};
  std::string bad;
  std::jthread reader([&](std::stop_token stop) {
    while (!stop.stop_requested() && bad.empty()) {
      std::string bytes;
      if (Files().ReadFile(L"\\FlashHd\\data.bin", bytes) != FileStatus::Ok) {
        bad = "missing";
      } else if (bytes.size() != kSize || bytes.find_first_not_of(bytes[0]) != std::string::npos) {
        bad = "half written: " + std::to_string(bytes.size()) + " bytes";
      }
      ++reads;
    }
  });
  for (int i = 0; i < 60; ++i) {
    const wchar_t* source = i % 2 == 0 ? L"\\sd card\\b.bin" : L"\\sd card\\a.bin";
    ASSERT_EQ(Files().CopyFile(source, L"\\FlashHd\\data.bin", false), FileStatus::Ok);
  }
  reader.request_stop();
  reader.join();
  EXPECT_EQ(bad, "");
  EXPECT_GT(reads.load(), 0);
}

}  // namespace
}  // namespace initap::test
