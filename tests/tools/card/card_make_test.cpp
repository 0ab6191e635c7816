// Cards made from wanted trees, booted for real on a copy of their device:
// each volume the tree holds ends equal to it, byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/device_boot.h"
#include "tests/support/host_files.h"
#include "tests/support/tree_snapshot.h"
#include "tools/card/card_tool.h"

namespace initap::card {
namespace {

namespace fs = std::filesystem;
using test::DeviceTree;

// A device and the tree its card maker wants it to hold.
struct Wanted {
  DeviceTree device{"[device]\ntimezone = UTC\n"};
  test::TempFolder tree;
  test::TempFolder aside;  // the card maker's other files
  std::vector<std::string> makeOptions;
  void Want(const std::string& path, const std::string& bytes = "x") { test::WriteHostFile(tree.path() / path, bytes); }
};

struct MakeCase {
  const char* name;
  std::function<void(Wanted&)> make;
  // A line the card's update.xml holds.
  const char* described;
};
void PrintTo(const MakeCase& c, std::ostream* out) { *out << c.name; }

// What a volume holds, without the records every boot writes of itself.
std::map<std::string, std::string> Volume(const fs::path& folder) {
  std::map<std::string, std::string> held = test::TreeSnapshot(folder);
  held.erase("updatelog.txt");
  held.erase("update.xml");
  return held;
}

int RunTool(const std::vector<std::string>& arguments, std::string& said) {
  std::ostringstream out, err;
  const int code = RunCardTool(arguments, {test::kInitap}, out, err);
  said = out.str() + err.str();
  return code;
}

class CardMakeTest : public ::testing::TestWithParam<MakeCase> {
 protected:
  void SetUp() override {
    if (!fs::exists(test::kInitap)) GTEST_SKIP() << test::kInitap << " is not built";
  }
};

TEST_P(CardMakeTest, TheCardBootedForRealMakesTheDeviceEqualToTheWantedTree) {
  Wanted wanted;
  test::MakeBootableDevice(wanted.device);
  GetParam().make(wanted);
  test::TempFolder cards;
  const fs::path card = cards.path() / "card";
  std::vector<std::string> arguments = {"make"};
  arguments.insert(arguments.end(), wanted.makeOptions.begin(), wanted.makeOptions.end());
  for (const fs::path& folder : {wanted.device.Folder(), wanted.tree.path(), card})
    arguments.push_back(folder.string());
  std::string said;
  ASSERT_EQ(RunTool(arguments, said), 0) << said;
  EXPECT_NE(test::ReadHostFile(card / "update.xml").find(GetParam().described), std::string::npos)
      << test::ReadHostFile(card / "update.xml");
  ASSERT_EQ(RunTool({"verify", card.string()}, said), 0) << said;

  const test::BootResult boot =
      test::Boot(wanted.device.Folder(), {"--quiet", "--mount", "\\sd card=" + card.string()});
  EXPECT_EQ(boot.exitCode, 1) << boot.output;
  for (const auto& volume : fs::directory_iterator(wanted.tree.path())) {
    const fs::path name = volume.path().filename();
    EXPECT_EQ(Volume(wanted.device.Host(name.string())), Volume(volume.path())) << name;
  }
}

const fs::path kTemplate = "settings.xml";

INSTANTIATE_TEST_SUITE_P(
    Cases, CardMakeTest,
    ::testing::Values(MakeCase{"NewFolderTree",
                               [](Wanted& w) {
                                 w.Want("FlashHd/Maps/Europe/north.map", "n");
                                 w.Want("FlashHd/Maps/Europe/Tiles/t1.map", "t1");
                                 w.Want("FlashHd/Maps/version.txt", "2");
                               },
                               "<copy from=\"files\\FlashHd\\Maps\\\" to=\"\\FlashHd\\Maps\\\"/>"},
                      MakeCase{"ChangedFilesInsideAnUnchangedTree",
                               [](Wanted& w) {
                                 for (const char* tile : {"a", "b", "c"}) {
                                   w.device.WriteFile(std::string("FlashHd/Maps/") + tile + ".map", "old");
                                   w.Want(std::string("FlashHd/Maps/") + tile + ".map", "old");
                                 }
                                 w.Want("FlashHd/Maps/b.map", "new bytes");
                               },
                               "<copy from=\"files\\FlashHd\\Maps\\b.map\" to=\"\\FlashHd\\Maps\\b.map\"/>"},
                      MakeCase{"DeletedFolder",
                               [](Wanted& w) {
                                 w.device.WriteFile("FlashHd/OldMaps/Tiles/t.map", "t");
                                 w.device.WriteFile("FlashHd/keep.txt", "k");
                                 w.Want("FlashHd/keep.txt", "k");
                               },
                               "<delete path=\"\\FlashHd\\OldMaps\\\"/>"},
                      MakeCase{"FileThatBecomesAFolder",
                               [](Wanted& w) {
                                 w.device.WriteFile("FlashHd/Data", "a file");
                                 w.Want("FlashHd/Data/inside.bin", "in");
                               },
                               "<delete path=\"\\FlashHd\\Data\"/>"},
                      MakeCase{"NonAsciiNamesOnA932Device",
                               [](Wanted& w) {
                                 w.device.WriteDeviceFile("device.ini", "[device]\ncodepage = 932\ntimezone = UTC\n");
                                 w.device.WriteFile("FlashHd/地図/古い.map", "old");
                                 w.Want("FlashHd/地図/東京.map", "tokyo");
                                 w.Want("FlashHd/ナビ/音声.voc", "voice");
                               },
                               "to=\"\\FlashHd\\ナビ\\\""},
                      MakeCase{"SettingsFromATemplate",
                               [](Wanted& w) {
                                 test::WriteHostFile(
                                     w.aside.path() / kTemplate,
                                     test::Description("<progress_color>255</progress_color>\n"
                                                       "<update><delete path=\"\\FlashHd\\\"/></update>"));
                                 w.makeOptions = {"--settings", (w.aside.path() / kTemplate).string()};
                                 w.Want("FlashHd/readme.txt", "hello");
                               },
                               "<progress_color>255</progress_color>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardVerifyTest, FailsNamingTheFileAfterOneByteOfItChanged) {
  if (!fs::exists(test::kInitap)) GTEST_SKIP() << test::kInitap << " is not built";
  Wanted wanted;
  test::MakeBootableDevice(wanted.device);
  wanted.Want("FlashHd/Maps/a.map", "aaaa");
  test::TempFolder cards;
  const fs::path card = cards.path() / "card";
  std::string said;
  ASSERT_EQ(RunTool({"make", wanted.device.Folder().string(), wanted.tree.path().string(), card.string()}, said), 0)
      << said;
  ASSERT_EQ(RunTool({"verify", card.string()}, said), 0) << said;
  test::WriteHostFile(card / "files/FlashHd/Maps/a.map", "aaab");
  EXPECT_EQ(RunTool({"verify", card.string()}, said), 1);
  EXPECT_EQ(said, "changed: files/FlashHd/Maps/a.map\n");
}

}  // namespace
}  // namespace initap::card
