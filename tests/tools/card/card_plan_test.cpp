// What a card plans from the wanted tree, what it refuses, and its manifest.
#include "tools/card/card_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/common/device_volumes.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"
#include "tests/tools/card/card_trees.h"
#include "tools/card/card_manifest.h"
#include "tools/card/card_writer.h"
#include "tools/card/sha256.h"

namespace initap::card {
namespace {

namespace fs = std::filesystem;
using test::WriteHostFile;

TEST(Sha256Test, DigestsAsSha256sumPrintsThem) {
  const struct {
    std::string bytes;
    std::size_t chunk;
    const char* digest;
  } cases[] = {
      {"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 7,
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), 4099, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    Sha256 hash;
    for (std::size_t at = 0; at < c.bytes.size(); at += c.chunk)
      hash.Update(std::string_view(c.bytes).substr(at, c.chunk));
    EXPECT_EQ(hash.HexDigest(), c.digest) << c.bytes.size() << " bytes";
  }
}

std::vector<std::string> Steps(const CardPlan& plan) {
  std::vector<std::string> steps;
  for (const CardStep& step : plan.deletes) {
    steps.push_back((step.kind == CardStep::Kind::DeleteFolder ? "delete folder " : "delete ") + step.path);
  }
  for (const CardStep& step : plan.copies) {
    steps.push_back((step.kind == CardStep::Kind::CopyFolder ? "copy folder " : "copy ") + step.path);
  }
  return steps;
}

// A table of cases, each planned from the trees it sets up.
template <typename Outcome>
class PlannedTest : public ::testing::TestWithParam<CardCase<Outcome>> {
 protected:
  [[nodiscard]] bool Planned() {
    this->GetParam().make(trees_);
    return trees_.Plan(plan_, error_);
  }

  CardTrees trees_;
  CardPlan plan_;
  std::string error_;
};

// The steps, deletes first.
using PlanCase = CardCase<std::vector<std::string>>;
using CardPlanTest = PlannedTest<std::vector<std::string>>;

TEST_P(CardPlanTest, PlansTheFewestSteps) {
  ASSERT_TRUE(Planned()) << error_;
  EXPECT_EQ(Steps(plan_), GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CardPlanTest,
    ::testing::Values(
        PlanCase{"NewFolderTreeIsOneFolderCopy",
                 Holding({}, {{"flashhd/Maps/a.map", "x"}, {"flashhd/Maps/Tiles/t.map", "x"}}),
                 {"copy folder FlashHd/Maps"}},
        PlanCase{"ChangedFilesInAnUnchangedTreeAreCopiedOneByOne",
                 Holding({{"FlashHd/Maps/a.map", "old"}, {"FlashHd/Maps/b.map", "same"}},
                         {{"FlashHd/Maps/a.map", "new"}, {"FlashHd/Maps/b.map", "same"}}),
                 {"copy FlashHd/Maps/a.map"}},
        PlanCase{"AFolderWhoseEveryFileChangedIsCopiedWhole",
                 Holding({{"FlashHd/Maps/a.map", "old"}, {"FlashHd/Maps/gone.map", "old"}},
                         {{"FlashHd/Maps/a.map", "new"}, {"FlashHd/Maps/Sub/b.map", "new"}}),
                 {"delete FlashHd/Maps/gone.map", "copy folder FlashHd/Maps"}},
        PlanCase{"DeletedFolderAndFile",
                 Holding({{"FlashHd/OldMaps/t.map", "x"}, {"FlashHd/readme.txt", "x"}, {"FlashHd/keep.txt", "x"}},
                         {{"FlashHd/keep.txt", "x"}}),
                 {"delete folder FlashHd/OldMaps", "delete FlashHd/readme.txt"}},
        PlanCase{"FileThatBecomesAFolder",
                 Holding({{"FlashHd/Data", "a file"}}, {{"FlashHd/Data/inside.bin", "x"}}),
                 {"delete FlashHd/Data", "copy folder FlashHd/Data"}},
        PlanCase{"ChangeOfLetterCaseAloneDeletesTheOldName",
                 Holding({{"FlashHd/README.TXT", "x"}, {"FlashHd/maps/a.map", "x"}},
                         {{"FlashHd/readme.txt", "x"}, {"FlashHd/Maps/a.map", "x"}}),
                 {"delete FlashHd/README.TXT", "delete folder FlashHd/maps", "copy folder FlashHd/Maps",
                  "copy FlashHd/readme.txt"}},
        PlanCase{"TheBootsOwnRecordsStayUnlessWanted",
                 [](CardTrees& t) {
                   t.device.WriteFile("FlashHd/updatelog.txt", "log");
                   t.device.WriteFile("System/update.xml", "<config/>");
                   t.device.WriteFile("System/old.txt", "x");
                   t.WantFolder("FlashHd");
                   t.WantFolder("System");
                 },
                 {"delete System/old.txt"}},
        PlanCase{"VolumesTheWantedTreeDoesNotHoldAreLeftAlone",
                 [](CardTrees& t) {
                   t.device.WriteFile("System/Main_Ap.exe", "x");
                   t.WantFolder("FlashHd");
                 },
                 {}}),
    kCaseName);

// A text the one-line refusal holds.
using RefusalCase = CardCase<const char*>;
using CardRefusalTest = PlannedTest<const char*>;

const char* const kNoDeviceName = "a name no volume of the device can hold";

TEST_P(CardRefusalTest, RefusesWhatTheDeviceCannotHoldInOneLine) {
  EXPECT_FALSE(Planned());
  EXPECT_NE(error_.find(GetParam().outcome), std::string::npos) << error_;
  EXPECT_EQ(error_.find('\n'), std::string::npos) << error_;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CardRefusalTest,
    ::testing::Values(RefusalCase{"FileDirectlyInTheRoot", Wanting("readme.txt"), "outside every volume"},
                      RefusalCase{"FolderThatIsNoVolume", Wanting("Flash Hd/a.txt"), "is no volume of the device"},
                      RefusalCase{"TheCardItself", Wanting("sd card/a.txt"), "the SD card itself"},
                      RefusalCase{"NameTheDeviceCannotHold", Wanting("FlashHd/a?b.txt"), kNoDeviceName},
                      RefusalCase{"NameEndingInADot", Wanting("FlashHd/Maps/trail."), kNoDeviceName},
                      RefusalCase{"NameEndingInASpace", [](CardTrees& t) { t.WantFolder("FlashHd/sp "); },
                                  kNoDeviceName},
                      RefusalCase{"FileTooLargeForTheVolumes",
                                  [](CardTrees& t) {
                                    t.Want("FlashHd/huge.bin");
                                    fs::resize_file(t.wanted.path() / "FlashHd/huge.bin", platform::kLargestFile + 1);
                                  },
                                  "4 GiB or more"},
                      RefusalCase{"NameWithABackslash", Wanting("FlashHd/a\\b.txt"), kNoDeviceName},
                      RefusalCase{"NamesEqualWithoutLetterCase",
                                  Holding({}, {{"FlashHd/Maps/a.map", "x"}, {"FlashHd/Maps/A.MAP", "x"}}),
                                  "differ only in letter case"},
                      RefusalCase{"PathLongerThanTheDeviceTakes",
                                  Wanting("FlashHd/" + std::string(120, 'a') + "/" + std::string(130, 'b')),
                                  "longer than the 259 a device path can be"}),
    kCaseName);

TEST(CardManifestTest, VerifyNamesEveryFileMissingChangedOrExtra) {
  CardTrees trees;
  trees.Want("FlashHd/Maps/a.map", "aaa");
  trees.Want("FlashHd/Maps/b.map", "bbb");
  CardPlan plan;
  std::string error;
  ASSERT_TRUE(trees.Plan(plan, error)) << error;
  test::TempFolder folder;
  const fs::path card = folder.path() / "card";
  ASSERT_TRUE(WriteCard({&plan, nullptr, true}, card, error)) << error;
  EXPECT_EQ(test::ReadHostFile(card / "update.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n  <update_already>0</update_already>\n"
            "  <update>\n    <copy from=\"files\\FlashHd\\Maps\\\" to=\"\\FlashHd\\Maps\\\"/>\n  </update>\n"
            "</config>\n");
  EXPECT_TRUE(fs::exists(card / "RV270_AP_UPDATE_MP.txt"));
  std::vector<std::string> problems;
  ASSERT_TRUE(VerifyCard(card, problems, error)) << error;
  EXPECT_TRUE(problems.empty());

  WriteHostFile(card / "files/FlashHd/Maps/a.map", "aab");
  fs::remove(card / "files/FlashHd/Maps/b.map");
  WriteHostFile(card / "stray.txt", "?");
  problems.clear();
  ASSERT_TRUE(VerifyCard(card, problems, error)) << error;
  EXPECT_EQ(problems, (std::vector<std::string>{"changed: files/FlashHd/Maps/a.map",
                                                "missing: files/FlashHd/Maps/b.map", "extra: stray.txt"}));
}

}  // namespace
}  // namespace initap::card
