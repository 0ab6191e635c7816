#include "update/path_resolution.h"

#include <gtest/gtest.h>

#include "app/init_ap.h"
#include "platform/common/path_limits.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

using platform::kPathCapacity;
using platform::kSourceFlash;
using platform::kSourceNone;
using platform::kSourceSdCard;
using platform::kSourceStorageCard;
using platform::kSourceSystem;

class ResolvePathTest : public ::testing::Test {
 protected:
  test::TestDevice device;
  Init_AP app{device.Services()};

  std::wstring Resolve(std::wstring_view configured, std::int32_t source, bool expected = true) {
    app.updateSource = source;
    std::wstring output = L"left over";
    EXPECT_EQ(ResolvePath(app, configured, output, kPathCapacity), expected)
        << "for " << std::string(configured.begin(), configured.end());
    return output;
  }
};

TEST_F(ResolvePathTest, RelativePathsJoinTheFolderOfTheDescriptionInUse) {
  EXPECT_EQ(Resolve(L"Windows/a.exe", kSourceSdCard), L"\\sd card\\Windows\\a.exe");
  EXPECT_EQ(Resolve(L"a/b.txt", kSourceSystem), L"\\System\\a\\b.txt");
  EXPECT_EQ(Resolve(L"Data/old.bin", kSourceFlash), L"\\FlashHd\\Data\\old.bin");
  EXPECT_EQ(Resolve(L"", kSourceSdCard), L"\\sd card\\");
  EXPECT_EQ(Resolve(L"/a.exe", kSourceSdCard), L"\\sd card\\\\a.exe");
}

TEST_F(ResolvePathTest, UpLevelStepsNeverClimbAboveTheRoot) {
  EXPECT_EQ(Resolve(L"../Windows/a.exe", kSourceSdCard), L"\\Windows\\a.exe");
  EXPECT_EQ(Resolve(L"../../a.exe", kSourceSdCard), L"\\a.exe");
  EXPECT_EQ(Resolve(L"../../a.exe", kSourceFlash), L"\\a.exe");
}

TEST_F(ResolvePathTest, AbsolutePathsStayAsTheyAre) {
  EXPECT_EQ(Resolve(L"\\Windows/a.exe", kSourceSdCard), L"\\Windows/a.exe");
  EXPECT_EQ(Resolve(L"\\System\\Main_Ap.exe", kSourceNone), L"\\System\\Main_Ap.exe");
}

TEST_F(ResolvePathTest, SourcesWithoutAFolderResolveNothing) {
  EXPECT_EQ(Resolve(L"a/b.txt", kSourceStorageCard, false), L"");
  EXPECT_EQ(Resolve(L"a/b.txt", kSourceNone, false), L"");
  EXPECT_EQ(Resolve(L"a/b.txt", 7, false), L"");
}

TEST_F(ResolvePathTest, AResultThatWouldNotFitIsRefusedNotCut) {
  const std::wstring longName(platform::kLongestPath - 9, L'x');  // "\sd card\" and the name: the longest path
  EXPECT_EQ(Resolve(longName, kSourceSdCard), L"\\sd card\\" + longName);
  EXPECT_EQ(Resolve(longName + L"y", kSourceSdCard, false), L"");
  const std::wstring absolute = L"\\" + std::wstring(platform::kLongestPath, L'a');
  EXPECT_EQ(Resolve(absolute, kSourceSdCard, false), L"");
}

}  // namespace
}  // namespace initap
