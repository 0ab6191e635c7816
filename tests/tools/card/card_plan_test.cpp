// What a card plans from the wanted tree, what it refuses, and its manifest.
#include "tools/card/card_plan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/common/device_volumes.h"
#include "tests/support/device_tree.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"
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

// A device and a wanted tree, each a folder of the host.
struct Trees {
  test::DeviceTree device;
  test::TempFolder wanted;
  void Want(const std::string& path, const std::string& bytes = "x") { WriteHostFile(wanted.path() / path, bytes); }
  void WantFolder(const std::string& path) { fs::create_directories(wanted.path() / path); }
};

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

struct PlanCase {
  const char* name;
  std::function<void(Trees&)> make;
  std::vector<std::string> steps;
};
void PrintTo(const PlanCase& c, std::ostream* out) { *out << c.name; }

class CardPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(CardPlanTest, PlansTheFewestSteps) {
  Trees trees;
  GetParam().make(trees);
  CardPlan plan;
  std::string error;
  ASSERT_TRUE(PlanCard(trees.device.Folder() / "root", trees.wanted.path(), plan, error)) << error;
  EXPECT_EQ(Steps(plan), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(Cases, CardPlanTest,
                         ::testing::Values(PlanCase{"NewFolderTreeIsOneFolderCopy",
                                                    [](Trees& t) {
                                                      t.Want("flashhd/Maps/a.map");
                                                      t.Want("flashhd/Maps/Tiles/t.map");
                                                    },
                                                    {"copy folder FlashHd/Maps"}},
                                           PlanCase{"ChangedFilesInAnUnchangedTreeAreCopiedOneByOne",
                                                    [](Trees& t) {
                                                      t.device.WriteFile("FlashHd/Maps/a.map", "old");
                                                      t.device.WriteFile("FlashHd/Maps/b.map", "same");
                                                      t.Want("FlashHd/Maps/a.map", "new");
                                                      t.Want("FlashHd/Maps/b.map", "same");
                                                    },
                                                    {"copy FlashHd/Maps/a.map"}},
                                           PlanCase{"AFolderWhoseEveryFileChangedIsCopiedWhole",
                                                    [](Trees& t) {
                                                      t.device.WriteFile("FlashHd/Maps/a.map", "old");
                                                      t.device.WriteFile("FlashHd/Maps/gone.map", "old");
                                                      t.Want("FlashHd/Maps/a.map", "new");
                                                      t.Want("FlashHd/Maps/Sub/b.map", "new");
                                                    },
                                                    {"delete FlashHd/Maps/gone.map", "copy folder FlashHd/Maps"}},
                                           PlanCase{"DeletedFolderAndFile",
                                                    [](Trees& t) {
                                                      t.device.WriteFile("FlashHd/OldMaps/t.map", "x");
                                                      t.device.WriteFile("FlashHd/readme.txt", "x");
                                                      t.device.WriteFile("FlashHd/keep.txt", "x");
                                                      t.Want("FlashHd/keep.txt");
                                                    },
                                                    {"delete folder FlashHd/OldMaps", "delete FlashHd/readme.txt"}},
                                           PlanCase{"FileThatBecomesAFolder",
                                                    [](Trees& t) {
                                                      t.device.WriteFile("FlashHd/Data", "a file");
                                                      t.Want("FlashHd/Data/inside.bin");
                                                    },
                                                    {"delete FlashHd/Data", "copy folder FlashHd/Data"}},
                                           PlanCase{"ChangeOfLetterCaseAloneDeletesTheOldName",
                                                    [](Trees& t) {
                                                      t.device.WriteFile("FlashHd/README.TXT", "x");
                                                      t.device.WriteFile("FlashHd/maps/a.map", "x");
                                                      t.Want("FlashHd/readme.txt", "x");
                                                      t.Want("FlashHd/Maps/a.map", "x");
                                                    },
                                                    {"delete FlashHd/README.TXT", "delete folder FlashHd/maps",
                                                     "copy folder FlashHd/Maps", "copy FlashHd/readme.txt"}},
                                           PlanCase{"TheBootsOwnRecordsStayUnlessWanted",
                                                    [](Trees& t) {
                                                      t.device.WriteFile("FlashHd/updatelog.txt", "log");
                                                      t.device.WriteFile("System/update.xml", "<config/>");
                                                      t.device.WriteFile("System/old.txt", "x");
                                                      t.WantFolder("FlashHd");
                                                      t.WantFolder("System");
                                                    },
                                                    {"delete System/old.txt"}},
                                           PlanCase{"VolumesTheWantedTreeDoesNotHoldAreLeftAlone",
                                                    [](Trees& t) {
                                                      t.device.WriteFile("System/Main_Ap.exe", "x");
                                                      t.WantFolder("FlashHd");
                                                    },
                                                    {}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
  const char* name;
  std::function<void(Trees&)> make;
  const char* said;
};
void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class CardRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CardRefusalTest, RefusesWhatTheDeviceCannotHoldInOneLine) {
  Trees trees;
  GetParam().make(trees);
  CardPlan plan;
  std::string error;
  EXPECT_FALSE(PlanCard(trees.device.Folder() / "root", trees.wanted.path(), plan, error));
  EXPECT_NE(error.find(GetParam().said), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CardRefusalTest,
    ::testing::Values(
        RefusalCase{"FileDirectlyInTheRoot", [](Trees& t) { t.Want("readme.txt"); }, "outside every volume"},
        RefusalCase{"FolderThatIsNoVolume", [](Trees& t) { t.Want("Flash Hd/a.txt"); }, "is no volume of the device"},
        RefusalCase{"TheCardItself", [](Trees& t) { t.Want("sd card/a.txt"); }, "the SD card itself"},
        RefusalCase{"NameTheDeviceCannotHold", [](Trees& t) { t.Want("FlashHd/a?b.txt"); },
                    "a name no volume of the device can hold"},
        RefusalCase{"NameEndingInADot", [](Trees& t) { t.Want("FlashHd/Maps/trail."); },
                    "a name no volume of the device can hold"},
        RefusalCase{"NameEndingInASpace", [](Trees& t) { t.WantFolder("FlashHd/sp "); },
                    "a name no volume of the device can hold"},
        RefusalCase{"FileTooLargeForTheVolumes",
                    [](Trees& t) {
                      t.Want("FlashHd/huge.bin");
                      fs::resize_file(t.wanted.path() / "FlashHd/huge.bin", platform::kLargestFile + 1);
                    },
                    "4 GiB or more"},
        RefusalCase{"NameWithABackslash", [](Trees& t) { t.Want("FlashHd/a\\b.txt"); },
                    "a name no volume of the device can hold"},
        RefusalCase{"NamesEqualWithoutLetterCase",
                    [](Trees& t) {
                      t.Want("FlashHd/Maps/a.map");
                      t.Want("FlashHd/Maps/A.MAP");
                    },
                    "differ only in letter case"},
        RefusalCase{"PathLongerThanTheDeviceTakes",
                    [](Trees& t) { t.Want("FlashHd/" + std::string(120, 'a') + "/" + std::string(130, 'b')); },
                    "longer than the 259 a device path can be"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardManifestTest, VerifyNamesEveryFileMissingChangedOrExtra) {
  Trees trees;
  trees.Want("FlashHd/Maps/a.map", "aaa");
  trees.Want("FlashHd/Maps/b.map", "bbb");
  CardPlan plan;
  std::string error;
  ASSERT_TRUE(PlanCard(trees.device.Folder() / "root", trees.wanted.path(), plan, error)) << error;
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
