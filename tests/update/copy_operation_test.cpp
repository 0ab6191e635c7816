// The copy element: what reaches the device, the screen at every paint and the log.
#include <set>

#include "platform/host/utf8.h"
#include "tests/update/engine_test.h"
#include "update/copy_operation.h"
#include "update/file_helpers.h"

namespace initap::test {
namespace {

class CopyOperation : public EngineTest {
 protected:
  // Runs one copy element given by its two attributes.
  bool Copy(const std::string& from, const std::string& to) {
    return Execute(ExecuteCopy, "<copy from=\"" + from + "\" to=\"" + to + "\"/>");
  }
  // The "copy NAME" paints after the counting paint, checked to count up by one against `total`.
  std::multiset<std::wstring> CopiedNames(std::int32_t total) {
    std::multiset<std::wstring> names;
    for (std::size_t i = 1; i < dev.windows.paints.size(); ++i) {
      const Paint& paint = dev.windows.paints[i];
      EXPECT_EQ(paint.text.rfind(L"copy ", 0), 0u) << paint;
      EXPECT_EQ(paint.done, static_cast<std::int32_t>(i)) << paint;
      EXPECT_EQ(paint.total, total) << paint;
      names.insert(paint.text.substr(5));
    }
    return names;
  }
};

TEST_F(CopyOperation, FolderTreeIsCopiedFileByFileWithProgress) {
  dev.Write(L"\\sd card\\A\\one.txt", "1");
  dev.Write(L"\\sd card\\A\\two.txt", "22");
  dev.Write(L"\\sd card\\A\\B\\three.txt", "333");
  // The counting paint still shows what the element before left.
  dev.app.progressDone = 4;
  dev.app.progressTotal = 9;

  EXPECT_TRUE(Copy("\\sd card\\A\\", "\\FlashHd\\A\\"));

  ASSERT_EQ(dev.windows.paints.size(), 4u);
  EXPECT_EQ(dev.windows.paints[0], (Paint{L"calculate copy file number...", 4, 9}));
  EXPECT_EQ(CopiedNames(3), (std::multiset<std::wstring>{L"one.txt", L"two.txt", L"three.txt"}));
  EXPECT_EQ(dev.Read(L"\\FlashHd\\A\\one.txt"), "1");
  EXPECT_EQ(dev.Read(L"\\FlashHd\\A\\two.txt"), "22");
  EXPECT_EQ(dev.Read(L"\\FlashHd\\A\\B\\three.txt"), "333");
  EXPECT_THAT(dev.LogLines(), ElementsAre("3 files has been copied."));
  EXPECT_THAT(dev.windows.messages, IsEmpty());
}

TEST_F(CopyOperation, RelativePathsStartFromTheDescriptionsFolder) {
  dev.Write(L"\\sd card\\Data\\new.bin", "new");
  EXPECT_TRUE(Copy("Data/new.bin", "../FlashHd/Data/"));
  EXPECT_EQ(dev.Read(L"\\FlashHd\\Data\\new.bin"), "new");
}

TEST_F(CopyOperation, OneFileIntoAFolderKeepsItsNameAndCountsOne) {
  dev.Write(L"\\sd card\\app.exe", "program");
  EXPECT_TRUE(Copy("\\sd card\\app.exe", "\\System\\New\\Deeper\\"));

  EXPECT_EQ(dev.Read(L"\\System\\New\\Deeper\\app.exe"), "program");
  // A single file is no counted total: the bar's frame stays empty.
  EXPECT_THAT(dev.windows.paints,
              ElementsAre(Paint{L"calculate copy file number...", 0, 0}, Paint{L"copy app.exe", 1, 0}));
  EXPECT_THAT(dev.LogLines(), ElementsAre("1 files has been copied."));
}

TEST_F(CopyOperation, OneFileReplacesTheFileOfTheGivenName) {
  dev.Write(L"\\sd card\\new.ini", "new");
  dev.Write(L"\\FlashHd\\old.ini", "old content");
  EXPECT_TRUE(Copy("\\sd card\\new.ini", "\\FlashHd\\old.ini"));
  EXPECT_EQ(dev.Read(L"\\FlashHd\\old.ini"), "new");
  EXPECT_THAT(dev.windows.paints.back(), (Paint{L"copy new.ini", 1, 0}));
}

TEST_F(CopyOperation, MissingSourceFileIsShownButNotCounted) {
  EXPECT_TRUE(Copy("\\sd card\\gone.bin", "\\FlashHd\\gone.bin"));
  EXPECT_THAT(dev.windows.paints.back(), (Paint{L"copy gone.bin", 1, 0}));
  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\gone.bin"));
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been copied."));
}

TEST_F(CopyOperation, FolderOntoAFileNameCopiesNothing) {
  dev.Write(L"\\sd card\\A\\one.txt", "1");
  dev.Write(L"\\sd card\\A\\two.txt", "2");
  EXPECT_TRUE(Copy("\\sd card\\A\\", "\\FlashHd\\A"));

  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\A"));
  EXPECT_EQ(dev.app.progressTotal, 2);  // the counting pass ran
  EXPECT_EQ(dev.windows.paints.size(), 1u);
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been copied."));
}

TEST_F(CopyOperation, EmptySourceFolderCreatesTheDestinationOnly) {
  std::filesystem::create_directories(dev.Host(L"\\sd card\\Empty"));
  EXPECT_TRUE(Copy("\\sd card\\Empty\\", "\\FlashHd\\Made\\Here\\"));
  EXPECT_TRUE(std::filesystem::is_directory(dev.Host(L"\\FlashHd\\Made\\Here")));
  EXPECT_THAT(dev.FilesBelow(L"\\FlashHd\\Made"), IsEmpty());
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been copied."));
}

TEST_F(CopyOperation, MissingOrEmptyAttributeSkipsTheElementSilently) {
  dev.Write(L"\\sd card\\a.txt", "a");
  for (const char* element :
       {"<copy from=\"\\sd card\\a.txt\"/>", "<copy to=\"\\FlashHd\\a.txt\"/>",
        "<copy from=\"\" to=\"\\FlashHd\\a.txt\"/>", "<copy From=\"\\sd card\\a.txt\" to=\"\\FlashHd\\a.txt\"/>"}) {
    SCOPED_TRACE(element);
    dev.windows.paints.clear();
    EXPECT_FALSE(Execute(ExecuteCopy, element));
    EXPECT_THAT(dev.windows.paints, ElementsAre(Paint{L"calculate copy file number...", 0, 0}));
  }
  EXPECT_FALSE(ExecuteCopy(dev.app, nullptr));
  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\a.txt"));
  EXPECT_THAT(dev.LogLines(), IsEmpty());
}

TEST_F(CopyOperation, TreeIsNeverCopiedIntoItself) {
  dev.Write(L"\\sd card\\A\\one.txt", "1");
  dev.Write(L"\\sd card\\A\\Sub\\two.txt", "2");
  // Inside or the same folder, whatever the case or the spelling of the path.
  for (const char* destination : {"\\sd card\\A\\", "\\SD Card\\a\\", "\\sd card\\A\\Sub\\",
                                  "\\sd card\\a\\New\\Copy\\", "\\sd card\\X\\..\\A\\Copy\\", "\\sd card/A/./Copy\\"}) {
    SCOPED_TRACE(destination);
    dev.windows.paints.clear();
    EXPECT_TRUE(Copy("\\sd card\\A\\", destination));
    EXPECT_EQ(dev.windows.paints.size(), 1u);
  }
  EXPECT_THAT(dev.FilesBelow(L"\\sd card\\A"), ElementsAre("Sub/two.txt", "one.txt"));
  EXPECT_THAT(dev.LogLines(),
              ElementsAre("0 files has been copied.", "0 files has been copied.", "0 files has been copied.",
                          "0 files has been copied.", "0 files has been copied.", "0 files has been copied."));
  // A sibling whose name merely begins like the source is no part of it.
  EXPECT_TRUE(Copy("\\sd card\\A\\", "\\sd card\\AB\\"));
  EXPECT_THAT(dev.FilesBelow(L"\\sd card\\AB"), ElementsAre("Sub/two.txt", "one.txt"));
}

TEST_F(CopyOperation, ItsOwnFolderInAnotherCaseIsFoundAsTheFileSystemFindsIt) {
  struct Case {
    const wchar_t* source;
    const wchar_t* destination;
    bool same;
  };
  for (const Case& c : {Case{L"\u041a\u0430\u0440\u0442\u044b", L"\u043a\u0430\u0440\u0442\u044b", true},  // Cyrillic
                        Case{L"\u03a7\u0386\u03a1\u03a4\u0395\u03a3", L"\u03c7\u03ac\u03c1\u03c4\u03b5\u03c2", true},
                        Case{L"\u00c9t\u00e9", L"\u00e9T\u00c9", true}, Case{L"Gr\u00f6\u00dfe", L"GR\u00d6SSE", false},
                        Case{L"\u0131zmir", L"Izmir", false}}) {
    const std::wstring source = std::wstring(L"\\FlashHd\\") + c.source + L"\\";
    const std::wstring destination = std::wstring(L"\\FlashHd\\") + c.destination + L"\\Sub\\";
    dev.Write(source + L"one.txt", "1");
    EXPECT_EQ(FolderExists(dev.app, destination.substr(0, destination.size() - 5)), c.same);
    EXPECT_TRUE(Copy(platform::host::ToUtf8(source), platform::host::ToUtf8(destination)));
    // Refused, the copy makes no folder; taken, the file is there.
    EXPECT_EQ(FolderExists(dev.app, destination), !c.same) << platform::host::ToUtf8(destination);
    EXPECT_EQ(dev.Exists(destination + L"one.txt"), !c.same);
  }
}

TEST_F(CopyOperation, DestinationFolderThatCannotBeMadeStopsBeforeTheFile) {
  dev.Write(L"\\sd card\\a.txt", "a");
  dev.Write(L"\\FlashHd\\taken", "a file where a folder should be");
  EXPECT_TRUE(Copy("\\sd card\\a.txt", "\\FlashHd\\taken\\a.txt"));
  // Not counted and not shown.
  EXPECT_THAT(dev.windows.paints, ElementsAre(Paint{L"calculate copy file number...", 0, 0}));
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been copied."));
}

TEST_F(CopyOperation, FullDiskStopsTheTreeAtTheFailedFile) {
  for (const char* name : {"1", "2", "3", "4"}) dev.Write(L"\\sd card\\A\\" + std::wstring(name, name + 1), name);
  dev.files.failCopyAt = 2;
  EXPECT_TRUE(Copy("\\sd card\\A\\", "\\FlashHd\\A\\"));

  EXPECT_EQ(dev.files.copyCalls, 2);
  EXPECT_EQ(dev.FilesBelow(L"\\FlashHd\\A").size(), 1u);
  EXPECT_EQ(CopiedNames(4).size(), 2u);  // the failed file was shown
  EXPECT_THAT(dev.LogLines(), ElementsAre("1 files has been copied."));
}

TEST_F(CopyOperation, SourceThatVanishesAfterCountingIsNotReported) {
  dev.Write(L"\\sd card\\A\\1", "1");
  dev.Write(L"\\sd card\\A\\2", "2");
  dev.Write(L"\\sd card\\A\\3", "3");
  dev.files.beforeCopy = [this](std::wstring_view source) {
    if (dev.files.copyCalls == 2) std::filesystem::remove(dev.Host(source));
  };
  EXPECT_TRUE(Copy("\\sd card\\A\\", "\\FlashHd\\A\\"));

  EXPECT_EQ(dev.files.copyCalls, 2);
  EXPECT_EQ(dev.FilesBelow(L"\\FlashHd\\A").size(), 1u);
  EXPECT_EQ(dev.app.progressTotal, 3);
  EXPECT_THAT(dev.LogLines(), ElementsAre("1 files has been copied."));
}

TEST_F(CopyOperation, FolderThatCannotBeListedFailsTheTreeButEmptyOnesDoNot) {
  dev.Write(L"\\sd card\\A\\Locked\\x.txt", "x");
  std::filesystem::create_directories(dev.Host(L"\\sd card\\A\\Empty"));
  dev.files.refuseListing = L"\\sd card\\A\\Locked\\*.*";
  EXPECT_TRUE(Copy("\\sd card\\A\\", "\\FlashHd\\A\\"));
  EXPECT_THAT(dev.FilesBelow(L"\\FlashHd\\A"), IsEmpty());
  EXPECT_TRUE(std::filesystem::is_directory(dev.Host(L"\\FlashHd\\A\\Locked")));
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been copied."));

  // The empty folder alone copies as a success.
  std::filesystem::remove_all(dev.Host(L"\\sd card\\A\\Locked"));
  std::int32_t copied = 0;
  EXPECT_TRUE(CopyFolder(dev.app, L"\\sd card\\A\\", L"\\FlashHd\\B\\", copied));
  EXPECT_TRUE(std::filesystem::is_directory(dev.Host(L"\\FlashHd\\B\\Empty")));
}

TEST_F(CopyOperation, JoinBeyondThePathLimitStopsItsFolder) {
  // The source path fits; the destination's would need 260 characters.
  const std::string name(150, 'n');
  const std::string deep(100, 'd');
  dev.Write(L"\\sd card\\S\\" + std::wstring(name.begin(), name.end()), "long");
  EXPECT_TRUE(Copy("\\sd card\\S\\", "\\FlashHd\\" + deep + "\\"));
  EXPECT_TRUE(std::filesystem::is_directory(dev.Host(L"\\FlashHd\\" + std::wstring(deep.begin(), deep.end()))));
  EXPECT_THAT(dev.FilesBelow(L"\\FlashHd\\" + std::wstring(deep.begin(), deep.end())), IsEmpty());
  EXPECT_EQ(dev.windows.paints.size(), 1u);
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been copied."));

  // A file into a folder whose joined name would not fit is refused as well.
  const std::string shortName = "sd card\\" + std::string(20, 's');
  dev.Write(L"\\" + std::wstring(shortName.begin(), shortName.end()), "s");
  EXPECT_TRUE(Copy("\\" + shortName, "\\FlashHd\\" + std::string(230, 'f') + "\\"));
  EXPECT_EQ(dev.windows.paints.size(), 2u);
}

TEST_F(CopyOperation, PairsAreClassifiedByTheirTrailingBackslash) {
  std::wstring destination = L"\\FlashHd\\";
  EXPECT_EQ(ClassifyCopyPair(destination, L"\\sd card\\x\\a.bin"), CopyKind::OneFile);
  EXPECT_EQ(destination, L"\\FlashHd\\a.bin");
  destination = L"\\FlashHd\\";
  EXPECT_EQ(ClassifyCopyPair(destination, L"a.bin"), CopyKind::OneFile);
  EXPECT_EQ(destination, L"\\FlashHd\\");
  destination = L"\\FlashHd/";  // only the backslash marks a folder here
  EXPECT_EQ(ClassifyCopyPair(destination, L"\\sd card\\a\\"), CopyKind::Rejected);
  destination = L"";
  EXPECT_EQ(ClassifyCopyPair(destination, L"\\sd card\\a.bin"), CopyKind::Rejected);
  destination = L"\\FlashHd\\";
  EXPECT_EQ(ClassifyCopyPair(destination, L""), CopyKind::Rejected);
}

TEST_F(CopyOperation, LinkBackIntoItsOwnFolderEndsAtThePathLimit) {
  // A folder lists in name order: the file comes before the link at every turn.
  dev.Write(L"\\sd card\\L\\a file", "f");
  std::filesystem::create_directory_symlink("..", dev.Host(L"\\sd card\\L\\again"));
  EXPECT_TRUE(Copy("\\sd card\\L\\", "\\FlashHd\\L\\"));
  // It went round the link a good many times, then stopped.
  const std::vector<std::string> copied = dev.FilesBelow(L"\\FlashHd\\L");
  EXPECT_GT(copied.size(), 10u);
  EXPECT_THAT(dev.LogLines(), ElementsAre(std::to_string(copied.size()) + " files has been copied."));
  for (const std::string& name : copied) EXPECT_LE(name.size() + 12, 259u) << name;
}

}  // namespace
}  // namespace initap::test
