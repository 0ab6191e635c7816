// Cards made from wanted trees, booted for real on a copy of their device:
// each volume the tree holds ends equal to it, byte for byte.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/device_boot.h"
#include "tests/support/host_files.h"
#include "tests/support/tree_snapshot.h"
#include "tests/tools/card/card_trees.h"
#include "tools/card/card_tool.h"

namespace initap::card {
namespace {

namespace fs = std::filesystem;

// A device that boots and the tree its card maker wants it to hold.
struct Wanted : CardTrees {
  Wanted() : CardTrees("[device]\ntimezone = UTC\n") { test::MakeBootableDevice(device); }
  test::TempFolder aside;  // the card maker's other files
  std::vector<std::string> makeOptions;
};

// A line the card's update.xml holds.
using MakeCase = CardCase<const char*, Wanted>;

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
  GetParam().make(wanted);
  test::TempFolder cards;
  const fs::path card = cards.path() / "card";
  std::vector<std::string> arguments = {"make"};
  arguments.insert(arguments.end(), wanted.makeOptions.begin(), wanted.makeOptions.end());
  for (const fs::path& folder : {wanted.device.Folder(), wanted.wanted.path(), card})
    arguments.push_back(folder.string());
  std::string said;
  ASSERT_EQ(RunTool(arguments, said), 0) << said;
  EXPECT_NE(test::ReadHostFile(card / "update.xml").find(GetParam().outcome), std::string::npos)
      << test::ReadHostFile(card / "update.xml");
  ASSERT_EQ(RunTool({"verify", card.string()}, said), 0) << said;

  const test::BootResult boot =
      test::Boot(wanted.device.Folder(), {"--quiet", "--mount", "\\sd card=" + card.string()});
  EXPECT_EQ(boot.exitCode, 1) << boot.output;
  for (const auto& volume : fs::directory_iterator(wanted.wanted.path())) {
    const fs::path name = volume.path().filename();
    EXPECT_EQ(Volume(wanted.device.Host(name.string())), Volume(volume.path())) << name;
  }
}

const fs::path kTemplate = "settings.xml";

INSTANTIATE_TEST_SUITE_P(
    Cases, CardMakeTest,
    ::testing::Values(
        MakeCase{"NewFolderTree",
                 Holding({}, {{"FlashHd/Maps/Europe/north.map", "n"},
                              {"FlashHd/Maps/Europe/Tiles/t1.map", "t1"},
                              {"FlashHd/Maps/version.txt", "2"}}),
                 "<copy from=\"files\\FlashHd\\Maps\\\" to=\"\\FlashHd\\Maps\\\"/>"},
        MakeCase{"ChangedFilesInsideAnUnchangedTree",
                 Holding({{"FlashHd/Maps/a.map", "old"}, {"FlashHd/Maps/b.map", "old"}, {"FlashHd/Maps/c.map", "old"}},
                         {{"FlashHd/Maps/a.map", "old"},
                          {"FlashHd/Maps/b.map", "new bytes"},
                          {"FlashHd/Maps/c.map", "old"}}),
                 "<copy from=\"files\\FlashHd\\Maps\\b.map\" to=\"\\FlashHd\\Maps\\b.map\"/>"},
        MakeCase{
            "DeletedFolder",
            Holding({{"FlashHd/OldMaps/Tiles/t.map", "t"}, {"FlashHd/keep.txt", "k"}}, {{"FlashHd/keep.txt", "k"}}),
            "<delete path=\"\\FlashHd\\OldMaps\\\"/>"},
        MakeCase{"FileThatBecomesAFolder", Holding({{"FlashHd/Data", "a file"}}, {{"FlashHd/Data/inside.bin", "in"}}),
                 "<delete path=\"\\FlashHd\\Data\"/>"},
        MakeCase{"NonAsciiNamesOnA932Device",
                 [](Wanted& w) {
                   w.device.WriteDeviceFile("device.ini", "[device]\ncodepage = 932\ntimezone = UTC\n");
                   Holding({{"FlashHd/地図/古い.map", "old"}},
                           {{"FlashHd/地図/東京.map", "tokyo"}, {"FlashHd/ナビ/音声.voc", "voice"}})(w);
                 },
                 "to=\"\\FlashHd\\ナビ\\\""},
        MakeCase{"SettingsFromATemplate",
                 [](Wanted& w) {
                   test::WriteHostFile(w.aside.path() / kTemplate,
                                       test::Description("<progress_color>255</progress_color>\n"
                                                         "<update><delete path=\"\\FlashHd\\\"/></update>"));
                   w.makeOptions = {"--settings", (w.aside.path() / kTemplate).string()};
                   w.Want("FlashHd/readme.txt", "hello");
                 },
                 "<progress_color>255</progress_color>"}),
    kCaseName);

TEST(CardVerifyTest, FailsNamingTheFileAfterOneByteOfItChanged) {
  if (!fs::exists(test::kInitap)) GTEST_SKIP() << test::kInitap << " is not built";
  Wanted wanted;
  wanted.Want("FlashHd/Maps/a.map", "aaaa");
  test::TempFolder cards;
  const fs::path card = cards.path() / "card";
  std::string said;
  ASSERT_EQ(RunTool({"make", wanted.device.Folder().string(), wanted.wanted.path().string(), card.string()}, said), 0)
      << said;
  ASSERT_EQ(RunTool({"verify", card.string()}, said), 0) << said;
  test::WriteHostFile(card / "files/FlashHd/Maps/a.map", "aaab");
  EXPECT_EQ(RunTool({"verify", card.string()}, said), 1);
  EXPECT_EQ(said, "changed: files/FlashHd/Maps/a.map\n");
}

}  // namespace
}  // namespace initap::card
