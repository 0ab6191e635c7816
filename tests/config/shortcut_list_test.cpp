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
  // Creates the shortcuts of a list of `entries`, which gives 1; then \Windows holds `files` (as WindowsFiles gives
  // them) and the desktop's shortcut `name` holds `text`.
  void ExpectShortcuts(const std::string& entries, const std::vector<std::string>& files, const std::string& name,
                       const std::string& text) {
    WriteList(entries);
    EXPECT_EQ(CreateShortcuts(app(), kList), 1);
    EXPECT_EQ(WindowsFiles(), files);
    EXPECT_EQ(device.ReadFile("Windows/Desktop/" + name + ".lnk"), text);
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

// An entry of the list as the device's lists write it.
std::string Entry(const std::string& name, const std::string& path) {
  return "  <shortcut name=\"" + name + "\" path=\"" + path + "\"/>\n";
}

TEST_F(ShortcutListTest, EveryEntryBecomesADesktopShortcut) {
  ExpectShortcuts(Entry("Navigation", "\\System\\Main_Ap.exe") +
                      "  <other name=\"Ignored\" path=\"\\x.exe\"/>\n"
                      "  <!-- a comment -->\n"
                      "  <shortcut path=\"\\Windows\\explorer.exe\" name=\"Explorer\"></shortcut>\n",
                  {"Desktop/Explorer.lnk", "Desktop/Navigation.lnk"}, "Explorer", "23#\"\\Windows\\explorer.exe\"");
}

TEST_F(ShortcutListTest, SecondRunKeepsTheDesktopAndLeavesTheFreshFilesInWindows) {
  WriteList(Entry("Navigation", "\\System\\Main_Ap.exe"));
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  WriteList(Entry("Navigation", "\\System\\New_Ap.exe"));
  EXPECT_EQ(CreateShortcuts(app(), kList), 1);
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Navigation.lnk"), "21#\"\\System\\Main_Ap.exe\"");
  EXPECT_EQ(device.ReadFile("Windows/Navigation.lnk"), "20#\"\\System\\New_Ap.exe\"");
}

TEST_F(ShortcutListTest, ListWithoutDirectEntriesGivesZeroAndWritesNothing) {
  WriteList("  <group>\n  " + Entry("Nested", "\\System\\Main_Ap.exe") + "  </group>\n");
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
  ExpectShortcuts(
      "  <shortcut path=\"\\System\\NoName.exe\"/>\n"
      "  <shortcut name=\"NoPath\"/>\n" +
          Entry("", "\\System\\EmptyName.exe") + "  <shortcut Name=\"Capital\" Path=\"\\System\\Capital.exe\"/>\n" +
          Entry("EmptyPath", "") + Entry("Last", "\\System\\Last.exe"),
      {"Desktop/EmptyPath.lnk", "Desktop/Last.lnk"}, "EmptyPath", "2#\"\"");
}

TEST_F(ShortcutListTest, OverlongNameOrPathIsRefusedNotCut) {
  const std::string name99(99, 'n');
  const std::string path259 = "\\" + std::string(258, 'p');
  // The 259-character path fits the attribute, but not the shortcut text.
  ExpectShortcuts(Entry(name99, "\\a.exe") + Entry(name99 + "x", "\\b.exe") + Entry("LongPath", path259) +
                      Entry("TooLongPath", path259 + "p"),
                  {"Desktop/" + name99 + ".lnk"}, name99, "8#\"\\a.exe\"");
}

TEST_F(ShortcutListTest, PercentSignsInNameAndPathAreKept) {
  ExpectShortcuts(Entry("100% %s", "\\System\\%d%s.exe"), {"Desktop/100% %s.lnk"}, "100% %s",
                  "18#\"\\System\\%d%s.exe\"");
}

}  // namespace
}  // namespace initap
