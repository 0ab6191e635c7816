#include "platform/host/files/device_path.h"

#include <gtest/gtest.h>

#include "files_fixture.h"

namespace {

using platform::FileStatus;
using platform::host::DevicePath;
using platform::host::ParseDevicePath;

DevicePath Parse(std::wstring_view path) {
  DevicePath parsed;
  EXPECT_EQ(ParseDevicePath(path, parsed), FileStatus::Ok) << "path of " << path.size() << " characters";
  return parsed;
}

using Names = std::vector<std::string>;

TEST(DevicePathTest, BothSeparatorsSplitAndEveryPathStartsAtTheRoot) {
  EXPECT_EQ(Parse(L"\\sd card\\Data/a.bin").names, (Names{"sd card", "Data", "a.bin"}));
  EXPECT_EQ(Parse(L"Windows\\explorer.exe").names, (Names{"Windows", "explorer.exe"}));
  EXPECT_EQ(Parse(L"\\\\FlashHd\\\\\\a").names, (Names{"FlashHd", "a"}));
  EXPECT_FALSE(Parse(L"\\FlashHd\\a").namesFolder);
}

TEST(DevicePathTest, TrailingSeparatorNamesAFolder) {
  const DevicePath folder = Parse(L"\\FlashHd\\");
  EXPECT_EQ(folder.names, (Names{"FlashHd"}));
  EXPECT_TRUE(folder.namesFolder);
  const DevicePath root = Parse(L"\\");
  EXPECT_TRUE(root.names.empty());
  EXPECT_TRUE(root.namesFolder);
  EXPECT_TRUE(Parse(L"\\FlashHd\\New\\.").namesFolder);
  EXPECT_TRUE(Parse(L"\\FlashHd/").namesFolder);
}

TEST(DevicePathTest, StepsAboveTheRootStayAtTheRoot) {
  EXPECT_EQ(Parse(L"..\\..\\..\\etc\\passwd").names, (Names{"etc", "passwd"}));
  EXPECT_EQ(Parse(L"\\sd card\\..\\..\\FlashHd\\.\\a").names, (Names{"FlashHd", "a"}));
  EXPECT_EQ(Parse(L"\\a\\b\\..\\c").names, (Names{"a", "c"}));
  EXPECT_TRUE(Parse(L"\\..").names.empty());
}

TEST(DevicePathTest, OverLongTextIsRefusedNotCut) {
  DevicePath parsed;
  const std::wstring name255(255, L'n');
  EXPECT_EQ(ParseDevicePath(L"\\" + name255, parsed), FileStatus::Ok);
  EXPECT_EQ(ParseDevicePath(L"\\" + name255 + L"n", parsed), FileStatus::InvalidName);
  // 128 two-byte characters are 256 bytes on the host.
  EXPECT_EQ(ParseDevicePath(L"\\" + std::wstring(128, L'\u00e9'), parsed), FileStatus::InvalidName);
  EXPECT_EQ(ParseDevicePath(L"\\" + std::wstring(127, L'\u00e9'), parsed), FileStatus::Ok);
  // 259 characters and the terminator fill the device's 260.
  const std::wstring path259 = L"\\a\\" + std::wstring(200, L'b') + L"\\" + std::wstring(55, L'c');
  ASSERT_EQ(path259.size(), 259u);
  EXPECT_EQ(ParseDevicePath(path259, parsed), FileStatus::Ok);
  EXPECT_EQ(ParseDevicePath(path259 + L"c", parsed), FileStatus::InvalidName);
}

TEST(DevicePathTest, NamesTheDeviceCannotHoldAreInvalid) {
  DevicePath parsed;
  for (const wchar_t* path :
       {L"\\FlashHd\\*.txt", L"\\a?", L"\\Windows\\\"Desktop\"\\x.lnk", L"\\a:b", L"\\a<b", L"\\a|b", L"\\tab\there"}) {
    EXPECT_EQ(ParseDevicePath(path, parsed), FileStatus::InvalidName) << "for a path of " << wcslen(path);
  }
  EXPECT_EQ(ParseDevicePath(std::wstring(L"\\a\0b", 4), parsed), FileStatus::InvalidName);
  EXPECT_EQ(ParseDevicePath(L"", parsed), FileStatus::PathNotFound);
}

}  // namespace
