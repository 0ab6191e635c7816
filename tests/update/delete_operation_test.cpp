// The delete element: what goes from the device, the screen at every paint and the log.
#include <fstream>
#include <set>

#include "tests/update/engine_test.h"
#include "update/delete_operation.h"

namespace initap::test {
namespace {

class DeleteOperation : public EngineTest {
 protected:
  // Runs one delete element given by its path.
  bool Delete(const std::string& path) { return Execute(ExecuteDelete, "<delete path=\"" + path + "\"/>"); }
};

TEST_F(DeleteOperation, FolderGoesFileByFileWithProgressAndThenItself) {
  dev.Write(L"\\FlashHd\\Old\\one.txt", "1");
  dev.Write(L"\\FlashHd\\Old\\two.txt", "2");
  dev.Write(L"\\FlashHd\\Old\\Sub\\three.txt", "3");
  dev.Write(L"\\FlashHd\\Kept.txt", "k");
  dev.app.progressDone = 2;
  dev.app.progressTotal = 2;

  EXPECT_TRUE(Delete("\\FlashHd\\Old\\"));

  ASSERT_EQ(dev.windows.paints.size(), 4u);
  EXPECT_EQ(dev.windows.paints[0], (Paint{L"calculate delete file number...", 2, 2}));
  std::multiset<std::wstring> names;
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(dev.windows.paints[i].done, static_cast<std::int32_t>(i));
    EXPECT_EQ(dev.windows.paints[i].total, 3);
    names.insert(dev.windows.paints[i].text);
  }
  EXPECT_EQ(names, (std::multiset<std::wstring>{L"delete one.txt", L"delete two.txt", L"delete three.txt"}));
  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\Old"));
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\Kept.txt"));
  EXPECT_THAT(dev.LogLines(), ElementsAre("3 files has been deleted."));
}

TEST_F(DeleteOperation, EmptyOrMissingFolder) {
  std::filesystem::create_directories(dev.Host(L"\\FlashHd\\Empty"));
  EXPECT_TRUE(Delete("\\FlashHd\\Empty\\"));
  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\Empty"));
  EXPECT_TRUE(Delete("\\FlashHd\\Never\\"));
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been deleted.", "0 files has been deleted."));
}

TEST_F(DeleteOperation, SingleFileFillsTheBarWhileItGoes) {
  dev.Write(L"\\sd card\\Data\\old.bin", "old");
  // Relative to the SD card's description.
  EXPECT_TRUE(Delete("Data/old.bin"));
  EXPECT_FALSE(dev.Exists(L"\\sd card\\Data\\old.bin"));
  EXPECT_THAT(dev.windows.paints,
              ElementsAre(Paint{L"calculate delete file number...", 0, 0}, Paint{L"delete old.bin", 1, 1}));
  EXPECT_THAT(dev.LogLines(), ElementsAre("1 files has been deleted."));
}

TEST_F(DeleteOperation, WhatCouldNotBeDeletedIsNotReported) {
  dev.Write(L"\\FlashHd\\Folder\\inside.txt", "i");
  EXPECT_TRUE(Delete("\\FlashHd\\missing.bin"));
  EXPECT_THAT(dev.windows.paints.back(), (Paint{L"delete missing.bin", 1, 1}));
  // A folder named without its backslash is taken for a file.
  EXPECT_TRUE(Delete("\\FlashHd\\Folder"));
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\Folder\\inside.txt"));
  // No wildcard expansion: the name is handed over as it is.
  dev.Write(L"\\FlashHd\\a.txt", "a");
  EXPECT_TRUE(Delete("\\FlashHd\\*.txt"));
  EXPECT_EQ(dev.files.deleted.back(), L"\\FlashHd\\*.txt");
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\a.txt"));
  EXPECT_THAT(dev.LogLines(),
              ElementsAre("0 files has been deleted.", "0 files has been deleted.", "0 files has been deleted."));
}

TEST_F(DeleteOperation, MissingOrEmptyPathSkipsTheElementSilently) {
  dev.Write(L"\\FlashHd\\a.txt", "a");
  for (const char* element : {"<delete/>", "<delete path=\"\"/>", "<delete Path=\"\\FlashHd\\a.txt\"/>"}) {
    SCOPED_TRACE(element);
    EXPECT_FALSE(Execute(ExecuteDelete, element));
  }
  EXPECT_FALSE(ExecuteDelete(dev.app, nullptr));
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\a.txt"));
  EXPECT_THAT(dev.files.deleted, IsEmpty());
  EXPECT_THAT(dev.LogLines(), IsEmpty());
}

TEST_F(DeleteOperation, FileThatCannotBeDeletedStopsTheFolder) {
  for (const char* name : {"1", "2", "3"}) dev.Write(L"\\FlashHd\\Old\\" + std::wstring(name, name + 1), name);
  dev.files.failDeleteAt = 2;
  EXPECT_TRUE(Delete("\\FlashHd\\Old\\"));
  EXPECT_EQ(dev.files.deleteCalls, 2);
  EXPECT_EQ(dev.FilesBelow(L"\\FlashHd\\Old").size(), 2u);
  EXPECT_EQ(dev.app.progressDone, 2);
  EXPECT_EQ(dev.app.progressTotal, 3);
  EXPECT_THAT(dev.LogLines(), ElementsAre("1 files has been deleted."));
}

TEST_F(DeleteOperation, FolderThatCannotBeListedStays) {
  dev.Write(L"\\FlashHd\\Old\\Locked\\x.txt", "x");
  dev.files.refuseListing = L"\\FlashHd\\Old\\Locked\\*.*";
  EXPECT_TRUE(Delete("\\FlashHd\\Old\\"));
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\Old\\Locked\\x.txt"));
  EXPECT_THAT(dev.files.deleted, IsEmpty());
  EXPECT_THAT(dev.LogLines(), ElementsAre("0 files has been deleted."));
}

TEST_F(DeleteOperation, JoinBeyondThePathLimitStopsItsFolder) {
  // Made from outside: the device itself could not name this file, so it is
  // not there for the device, and the folder that still holds it stays.
  dev.Write(L"\\FlashHd\\Old\\ok.txt", "ok");
  std::filesystem::create_directories(dev.Host(L"\\FlashHd\\Old"));
  std::ofstream(dev.Host(L"\\FlashHd\\Old") / std::string(250, 'x')) << "far";
  EXPECT_TRUE(Delete("\\FlashHd\\Old\\"));
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\Old"));
  EXPECT_TRUE(std::filesystem::exists(dev.Host(L"\\FlashHd\\Old") / std::string(250, 'x')));
  for (const std::wstring& path : dev.files.deleted) EXPECT_LE(path.size(), 259u);
  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\Old\\ok.txt"));
  EXPECT_EQ(dev.app.progressTotal, 1);
}

}  // namespace
}  // namespace initap::test
