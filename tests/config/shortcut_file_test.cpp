#include "config/shortcut_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "app/init_ap.h"
#include "platform/common/path_limits.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

constexpr char kDesktopRegistry[] =
    "REGEDIT4\n\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{00021400-0000-0000-C000-000000000046}]\n"
    "\"DisplayName\"=\"Desktop\"\n";

class ShortcutFileTest : public ::testing::Test {
 protected:
  explicit ShortcutFileTest(std::string_view deviceIni = {}) : device(deviceIni) {
    device.WriteDeviceFile("registry.reg", kDesktopRegistry);
    device.MakeFolder("Windows/Desktop");
  }

  Init_AP& App() {
    if (!app) app = std::make_unique<Init_AP>(device.Services());
    return *app;
  }

  test::TestDevice device;
  std::unique_ptr<Init_AP> app;
};

TEST_F(ShortcutFileTest, TextCountsThePathAndItsQuotesAndEndsWithoutLineEnd) {
  EXPECT_EQ(WriteShortcutFile(App(), L"Navigation", L"\\System\\Main_Ap.exe"), 1);
  const std::string bytes = device.ReadFile("Windows/Desktop/Navigation.lnk");
  EXPECT_EQ(bytes, "21#\"\\System\\Main_Ap.exe\"");
  EXPECT_EQ(bytes.size(), 24u);
  EXPECT_FALSE(device.Exists("Windows/Navigation.lnk"));
  // A character beyond the basic plane counts as the device's two units.
  EXPECT_EQ(WriteShortcutFile(App(), L"Wide", L"\\\U00020000.exe"), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Wide.lnk").substr(0, 3), "9#\"");
}

TEST_F(ShortcutFileTest, EmptyTargetAndPercentSignsAreWrittenAsGiven) {
  EXPECT_EQ(WriteShortcutFile(App(), L"Nothing", L""), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Nothing.lnk"), "2#\"\"");
  EXPECT_EQ(WriteShortcutFile(App(), L"Odd", L"\\Storage Card\\100%s\\nav%d.exe"), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Odd.lnk"), "31#\"\\Storage Card\\100%s\\nav%d.exe\"");
}

TEST_F(ShortcutFileTest, ExistingDesktopShortcutIsKeptAndTheFreshOneStaysInWindows) {
  device.WriteFile("Windows/Desktop/Navigation.lnk", "an earlier shortcut");
  EXPECT_EQ(WriteShortcutFile(App(), L"Navigation", L"\\System\\Main_Ap.exe"), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Navigation.lnk"), "an earlier shortcut");
  EXPECT_EQ(device.ReadFile("Windows/Navigation.lnk"), "21#\"\\System\\Main_Ap.exe\"");
}

TEST_F(ShortcutFileTest, WithoutADesktopNameNoMoveIsTried) {
  device.WriteDeviceFile("registry.reg", "REGEDIT4\n");
  EXPECT_EQ(WriteShortcutFile(App(), L"Navigation", L"\\System\\Main_Ap.exe"), 1);
  EXPECT_EQ(device.ReadFile("Windows/Navigation.lnk"), "21#\"\\System\\Main_Ap.exe\"");
  EXPECT_FALSE(device.Exists("Windows/Desktop/Navigation.lnk"));
}

TEST_F(ShortcutFileTest, MissingDesktopFolderLeavesTheShortcutInWindows) {
  device.RemoveFolder("Windows/Desktop");
  EXPECT_EQ(WriteShortcutFile(App(), L"Navigation", L"\\System\\Main_Ap.exe"), 1);
  EXPECT_TRUE(device.Exists("Windows/Navigation.lnk"));
  EXPECT_FALSE(device.Exists("Windows/Desktop"));
}

TEST_F(ShortcutFileTest, WithoutTheWindowsFolderNothingIsWritten) {
  device.RemoveFolder("Windows");
  EXPECT_EQ(WriteShortcutFile(App(), L"Navigation", L"\\System\\Main_Ap.exe"), 0);
  EXPECT_FALSE(device.Exists("Windows"));
}

TEST_F(ShortcutFileTest, TextOfAtMost259CharactersIsWrittenAndALongerOneRefused) {
  // 253 characters: "255#" and the quoted path make 259.
  const std::wstring fits = L"\\" + std::wstring(252, L'a');
  EXPECT_EQ(WriteShortcutFile(App(), L"Fits", fits), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Fits.lnk").size(), 259u);

  EXPECT_EQ(WriteShortcutFile(App(), L"TooLong", fits + L"a"), 0);
  EXPECT_FALSE(device.Exists("Windows/TooLong.lnk"));
  EXPECT_FALSE(device.Exists("Windows/Desktop/TooLong.lnk"));
}

TEST_F(ShortcutFileTest, NameWithCharactersTheCodePageLacksMakesNoFile) {
  // The narrow name holds the code page's default character, which no file name may hold.
  EXPECT_EQ(WriteShortcutFile(App(), L"\u5bfc\u822a", L"\\System\\Main_Ap.exe"), 0);
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(device.Host("Windows")), std::filesystem::directory_iterator()),
      1);
  EXPECT_TRUE(std::filesystem::is_empty(device.Host("Windows/Desktop")));
}

class DoubleByteShortcutTest : public ShortcutFileTest {
 protected:
  DoubleByteShortcutTest() : ShortcutFileTest("[device]\ncodepage = 936\n") {}
};

TEST_F(DoubleByteShortcutTest, CountIsInCharactersWhileTheFileHoldsTwoBytesForEach) {
  // \FlashHd\ and four Chinese characters and .exe: 17 characters, 21 bytes.
  EXPECT_EQ(WriteShortcutFile(App(), L"Nav", L"\\FlashHd\\\u5bfc\u822a\u7a0b\u5e8f.exe"), 1);
  const std::string bytes = device.ReadFile("Windows/Desktop/Nav.lnk");
  EXPECT_EQ(bytes, "19#\"\\FlashHd\\\xb5\xbc\xba\xbd\xb3\xcc\xd0\xf2.exe\"");
  EXPECT_GT(bytes.size(), 19u + 3u);
}

TEST_F(DoubleByteShortcutTest, TextOver259BytesIsRefusedThoughItFits259Characters) {
  const std::wstring target = L"\\" + std::wstring(130, L'\u5bfc');  // 131 characters, 261 bytes
  EXPECT_EQ(WriteShortcutFile(App(), L"Wide", target), 0);
  EXPECT_FALSE(device.Exists("Windows/Wide.lnk"));
  EXPECT_FALSE(device.Exists("Windows/Desktop/Wide.lnk"));
}

TEST_F(DoubleByteShortcutTest, NarrowTextGivesTheWholeSizeAndFillsAtMostTheCapacity) {
  std::string buffer = "old";
  EXPECT_EQ(ToNarrowText(App(), L"a\u5bfc\u822a", &buffer, 8), 5u);
  EXPECT_EQ(buffer, "a\xb5\xbc\xba\xbd");
  EXPECT_EQ(ToNarrowText(App(), L"a\u5bfc\u822a", &buffer, 3), 5u);
  EXPECT_EQ(buffer, "a\xb5\xbc");
  EXPECT_EQ(ToNarrowText(App(), L"a\u5bfc\u822a", nullptr, 0), 5u);
  EXPECT_EQ(ToNarrowText(App(), std::wstring_view(), &buffer, 8), 0u);
}

TEST_F(ShortcutFileTest, DesktopNameIsReadOrTheBufferKeepsItsContent) {
  std::wstring name = L"before";
  GetDesktopFolderName(App(), name, platform::kPathCapacity);
  EXPECT_EQ(name, L"Desktop");

  // "Desktop" and its terminator need 16 bytes.
  name = L"before";
  GetDesktopFolderName(App(), name, 7);
  EXPECT_EQ(name, L"before");
}

TEST_F(ShortcutFileTest, DesktopNameMissingFromTheRegistryKeepsTheBuffer) {
  device.WriteDeviceFile("registry.reg", "REGEDIT4\n");
  std::wstring name = L"before";
  GetDesktopFolderName(App(), name, platform::kPathCapacity);
  EXPECT_EQ(name, L"before");
}

}  // namespace
}  // namespace initap
