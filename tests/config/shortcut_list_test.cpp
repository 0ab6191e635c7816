#include "config/shortcut_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/init_ap.h"
#include "platform/common/shortcut_list_path.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

constexpr std::wstring_view kList = platform::kShortcutList;

class ShortcutListTest : public ::testing::Test {
 protected:
  ShortcutListTest() {
    device.WriteDeviceFile("registry.reg",
                           "REGEDIT4\n\n"
                           "[HKEY_CLASSES_ROOT\\CLSID\\{00021400-0000-0000-C000-000000000046}]\n"
                           "\"DisplayName\"=\"Desktop\"\n");
    device.MakeFolder("Windows/Desktop");
  }

  void WriteList(const std::string& entries) {
    device.WriteFile("System/shortcut.xml", "<?xml version=\"1.0\"?>\n<shortcuts>\n" + entries + "</shortcuts>\n");
  }

  // Every file below \Windows, as "Desktop/a.lnk", sorted.
  std::vector<std::string> WindowsFiles() const {
    std::vector<std::string> files;
    const std::filesystem::path windows = device.Host("Windows");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(windows)) {
      if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(windows).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  test::TestDevice device;
  // Opened after the registry was written: the platform reads it once.
  std::unique_ptr<Init_AP> opened;
  Init_AP& app() {
    if (!opened) opened = std::make_unique<Init_AP>(device.Services());
    return *opened;
  }
};

using Files = std::vector<std::string>;

TEST_F(ShortcutListTest, EveryEntryBecomesADesktopShortcut) {
  WriteList(
      "  <shortcut name=\"Navigation\" path=\"\\System\\Main_Ap.exe\"/>\n"
      "  <other name=\"Ignored\" path=\"\\x.exe\"/>\n"
      "  <!-- a comment -->\n"
      "  <shortcut path=\"\\Windows\\explorer.exe\" name=\"Explorer\"></shortcut>\n");
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  EXPECT_EQ(WindowsFiles(), (Files{"Desktop/Explorer.lnk", "Desktop/Navigation.lnk"}));
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Explorer.lnk"), "23#\"\\Windows\\explorer.exe\"");
}

TEST_F(ShortcutListTest, SecondRunKeepsTheDesktopAndLeavesTheFreshFilesInWindows) {
  WriteList("  <shortcut name=\"Navigation\" path=\"\\System\\Main_Ap.exe\"/>\n");
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  WriteList("  <shortcut name=\"Navigation\" path=\"\\System\\New_Ap.exe\"/>\n");
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Navigation.lnk"), "21#\"\\System\\Main_Ap.exe\"");
  EXPECT_EQ(device.ReadFile("Windows/Navigation.lnk"), "20#\"\\System\\New_Ap.exe\"");
}

TEST_F(ShortcutListTest, ListWithoutDirectEntriesGivesZeroAndWritesNothing) {
  WriteList("  <group>\n    <shortcut name=\"Nested\" path=\"\\System\\Main_Ap.exe\"/>\n  </group>\n");
  EXPECT_EQ(CreateShortcuts(app(), kList), 0);
  WriteList("");
  EXPECT_EQ(CreateShortcuts(app(), kList), 0);
  EXPECT_EQ(WindowsFiles(), Files{});
}

TEST_F(ShortcutListTest, MissingOrBrokenListGivesZero) {
  EXPECT_EQ(CreateShortcuts(app(), kList), 0);
  device.WriteFile("System/shortcut.xml", "<shortcuts><shortcut name=\"A\" path=\"\\a.exe\"></shortcuts>");
  EXPECT_EQ(CreateShortcuts(app(), kList), 0);
  EXPECT_EQ(WindowsFiles(), Files{});
}

TEST_F(ShortcutListTest, EntriesWithoutNameOrPathAreLeftOutAndTheRestWritten) {
  WriteList(
      "  <shortcut path=\"\\System\\NoName.exe\"/>\n"
      "  <shortcut name=\"NoPath\"/>\n"
      "  <shortcut name=\"\" path=\"\\System\\EmptyName.exe\"/>\n"
      "  <shortcut Name=\"Capital\" Path=\"\\System\\Capital.exe\"/>\n"
      "  <shortcut name=\"EmptyPath\" path=\"\"/>\n"
      "  <shortcut name=\"Last\" path=\"\\System\\Last.exe\"/>\n");
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  EXPECT_EQ(WindowsFiles(), (Files{"Desktop/EmptyPath.lnk", "Desktop/Last.lnk"}));
  EXPECT_EQ(device.ReadFile("Windows/Desktop/EmptyPath.lnk"), "2#\"\"");
}

TEST_F(ShortcutListTest, OverlongNameOrPathIsRefusedNotCut) {
  const std::string name99(99, 'n');
  const std::string path259 = "\\" + std::string(258, 'p');
  WriteList("  <shortcut name=\"" + name99 + "\" path=\"\\a.exe\"/>\n" + "  <shortcut name=\"" + name99 +
            "x\" path=\"\\b.exe\"/>\n" + "  <shortcut name=\"LongPath\" path=\"" + path259 + "\"/>\n" +
            "  <shortcut name=\"TooLongPath\" path=\"" + path259 + "p\"/>\n");
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  // The 259-character path fits the attribute, but not the shortcut text.
  EXPECT_EQ(WindowsFiles(), (Files{"Desktop/" + name99 + ".lnk"}));
}

TEST_F(ShortcutListTest, PercentSignsInNameAndPathAreKept) {
  WriteList("  <shortcut name=\"100% %s\" path=\"\\System\\%d%s.exe\"/>\n");
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/100% %s.lnk"), "18#\"\\System\\%d%s.exe\"");
}

}  // namespace
}  // namespace initap
