#include "update/file_helpers.h"

#include <gtest/gtest.h>

#include "app/init_ap.h"
#include "platform/common/path_limits.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

using platform::kPathCapacity;

class FileHelpersTest : public ::testing::Test {
 protected:
  test::TestDevice device;
  Init_AP app{device.Services()};
};

TEST(AddBackslash, AppendsOnlyWhenTheSeparatorAndTerminatorFit) {
  std::wstring path(258, L'a');
  EXPECT_TRUE(AddBackslash(path, kPathCapacity));
  EXPECT_EQ(path.size(), 259u);
  EXPECT_EQ(path.back(), L'\\');

  std::wstring full(259, L'a');
  EXPECT_FALSE(AddBackslash(full, kPathCapacity));
  EXPECT_EQ(full, std::wstring(259, L'a'));

  std::wstring slash = L"\\sd card/";
  EXPECT_TRUE(AddBackslash(slash, kPathCapacity));
  EXPECT_EQ(slash, L"\\sd card/");
}

TEST(JoinPath, RefusesAJoinLongerThan259Characters) {
  std::wstring joined;
  EXPECT_TRUE(JoinPath(std::wstring(200, L'a'), std::wstring(58, L'b'), joined, kPathCapacity));
  EXPECT_EQ(joined.size(), 259u);
  EXPECT_FALSE(JoinPath(std::wstring(200, L'a'), std::wstring(59, L'b'), joined, kPathCapacity));
  EXPECT_TRUE(joined.empty());
  EXPECT_FALSE(JoinPath(std::wstring(259, L'a'), L"", joined, kPathCapacity));
}

TEST(ExtractFileName, GivesTheTextAfterTheLastBackslash) {
  std::wstring name = L"untouched";
  EXPECT_EQ(ExtractFileName(L"\\sd card\\Data\\a.bin", &name, kPathCapacity), 5u);
  EXPECT_EQ(name, L"a.bin");
  EXPECT_EQ(ExtractFileName(L"\\sd card\\Data\\", &name, kPathCapacity), 0u);
  EXPECT_EQ(name, L"");
  name = L"untouched";
  EXPECT_EQ(ExtractFileName(L"no separator", &name, kPathCapacity), 0u);
  EXPECT_EQ(name, L"untouched");
  EXPECT_EQ(ExtractFileName(L"\\x\\abc", nullptr, 0), 3u);
}

TEST_F(FileHelpersTest, FileAndFolderTests) {
  device.WriteFile("FlashHd/a.txt", "x");
  EXPECT_TRUE(FileExists(app, L"\\FlashHd\\a.txt"));
  EXPECT_TRUE(FileExists(app, L"\\flashhd\\A.TXT"));
  EXPECT_FALSE(FileExists(app, L"\\FlashHd"));
  EXPECT_FALSE(FileExists(app, L""));
  EXPECT_FALSE(FileExists(app, L"\\FlashHd\\missing.txt"));

  EXPECT_TRUE(FolderExists(app, L"\\FlashHd"));
  EXPECT_TRUE(FolderExists(app, L"\\FlashHd\\"));
  EXPECT_TRUE(FolderExists(app, L"\\"));
  EXPECT_FALSE(FolderExists(app, L"\\FlashHd\\a.txt"));
  EXPECT_FALSE(FolderExists(app, L""));
}

TEST_F(FileHelpersTest, CountFilesCountsTheWholeTreeButNoFolders) {
  device.WriteFile("FlashHd/Tree/a", "1");
  device.WriteFile("FlashHd/Tree/b", "2");
  device.WriteFile("FlashHd/Tree/Sub/c", "3");
  device.WriteFile("FlashHd/Tree/Sub/d", "4");
  device.WriteFile("FlashHd/Tree/Sub/e", "5");
  device.MakeFolder("FlashHd/Tree/Empty/Deeper");
  EXPECT_EQ(CountFiles(app, L"\\FlashHd\\Tree"), 5);
  EXPECT_EQ(CountFiles(app, L"\\FlashHd\\Tree\\"), 5);
  EXPECT_EQ(CountFiles(app, L"\\FlashHd\\Tree\\Empty\\"), 0);
  EXPECT_EQ(CountFiles(app, L"\\FlashHd\\Tree\\a"), 0);
  EXPECT_EQ(CountFiles(app, L"\\FlashHd\\Missing\\"), 0);
}

TEST_F(FileHelpersTest, CreateFolderChainMakesEveryMissingFolderFromTheRoot) {
  EXPECT_TRUE(CreateFolderChain(app, L"\\FlashHd\\New\\Sub\\Deep"));
  EXPECT_TRUE(device.IsFolder("FlashHd/New/Sub/Deep"));
  EXPECT_TRUE(CreateFolderChain(app, L"\\FlashHd\\New\\Sub\\"));
  EXPECT_TRUE(CreateFolderChain(app, L"\\NewVolume\\x"));
  EXPECT_TRUE(device.IsFolder("NewVolume/x"));
  EXPECT_FALSE(CreateFolderChain(app, L""));

  device.WriteFile("FlashHd/blocker", "a file where a folder should go");
  EXPECT_FALSE(CreateFolderChain(app, L"\\FlashHd\\blocker\\inner"));
}

}  // namespace
}  // namespace initap
