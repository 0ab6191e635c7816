// Where the update description is found, which one is carried out, and what
// becomes of it afterwards.
#include <gtest/gtest.h>

#include "tests/e2e/device_boot.h"

namespace initap::test {
namespace {

using Messages = std::vector<std::string>;
using Starts = std::vector<Launch>;

// Starts another program than the default and deletes one file.
const std::string kUpdate = Description(
    "<launch>\\System\\Alt_Ap.exe</launch>\n"
    "<update_already>0</update_already>\n"
    "<update><delete path=\"\\FlashHd\\old.txt\"/></update>");

struct Place {
  const char* name;
  const char* folder;
  const char* found;  // the worker's first line
  bool carriedOut;
  bool copiedToSystem;
  bool deleted;
};

void PrintTo(const Place& place, std::ostream* out) { *out << place.name; }

class DescriptionPlaceTest : public BootTest, public ::testing::WithParamInterface<Place> {
 protected:
  void SetUp() override {
    BootTest::SetUp();
    if (IsSkipped()) return;
    device.WriteFile("System/Alt_Ap.exe", "#!/bin/sh\nexit 0\n", true);
    device.WriteFile("FlashHd/old.txt", "old");
  }
};

TEST_P(DescriptionPlaceTest, IsFoundConfiguresTheRunAndIsCarriedOutOnlyFromSdOrFlash) {
  const Place& place = GetParam();
  device.MakeFolder(place.folder);
  device.WriteFile(std::string(place.folder) + "/update.xml", kUpdate);

  const BootResult run = Run();
  EXPECT_EQ(run.exitCode, 1) << run.output;
  Messages expected{place.found};
  if (place.carriedOut) {
    expected.push_back("1 files has been deleted.");
    expected.push_back("update finished.");
  }
  expected.push_back("\\System\\Alt_Ap.exe launch success.");
  EXPECT_EQ(LogMessages(device), expected);
  EXPECT_EQ(Launches(device), (Starts{{"started", "\\System\\Alt_Ap.exe"}}));
  EXPECT_EQ(device.Exists("FlashHd/old.txt"), !place.carriedOut);
  EXPECT_TRUE(device.Exists("Windows/Desktop/Navigation.lnk"));
  if (place.copiedToSystem) {
    // The copy is made before the mark: it keeps the flag the description had.
    EXPECT_EQ(device.ReadFile("System/update.xml"), kUpdate);
  }
  EXPECT_EQ(device.Exists(std::string(place.folder) + "/update.xml"), !place.deleted);
}

INSTANTIATE_TEST_SUITE_P(
    EachPlace, DescriptionPlaceTest,
    ::testing::Values(Place{"SdCard", "sd card", "found update file \\sd card\\update.xml.", true, true, true},
                      Place{"Flash", "FlashHd", "found update file \\FlashHd\\update.xml.", true, true, true},
                      Place{"StorageCard", "Storage Card", "no update and config file, goto wince.", false, true, true},
                      Place{"System", "System", "no update file, read config file and goto wince.", false, false,
                            false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BootTest, BrokenSdDescriptionHidesAGoodOneOnTheFlashVolume) {
  device.WriteFile("sd card/update.xml", "<config><launch>\\System\\Alt_Ap.exe</launch>");
  device.WriteFile("FlashHd/update.xml", kUpdate);
  device.WriteFile("FlashHd/old.txt", "old");

  const BootResult run = Run();
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(LogMessages(device),
            (Messages{"load xml file \\sd card\\update.xml error.", "no update and config file, goto wince.",
                      "\\System\\Main_Ap.exe launch success."}));
  EXPECT_TRUE(device.Exists("FlashHd/old.txt"));
  EXPECT_FALSE(device.Exists("System/update.xml"));
  // Without a description in use the served places are still cleared.
  EXPECT_FALSE(device.Exists("sd card/update.xml"));
  EXPECT_FALSE(device.Exists("FlashHd/update.xml"));
}

TEST_F(BootTest, ConfigurationOnlySdDescriptionStopsTheRunWithTheWindowOpen) {
  const std::string settings = Description("<launch>\\System\\Main_Ap.exe</launch>");
  device.WriteFile("sd card/update.xml", settings);

  const BootResult run = Run();
  // Nothing closes the window; the platform does once the run has come to rest.
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(LogMessages(device), (Messages{"found update file \\sd card\\update.xml.", "read xml file error."}));
  EXPECT_EQ(Launches(device), Starts{});
  EXPECT_EQ(device.ReadFile("sd card/update.xml"), settings);
  EXPECT_FALSE(device.Exists("System/update.xml"));
  EXPECT_FALSE(device.Exists("Windows/Desktop/Navigation.lnk"));
}

TEST_F(BootTest, AppliedDescriptionIsSkippedWithoutTheForceMarker) {
  device.WriteFile(
      "sd card/update.xml",
      Description("<update_already>1</update_already><update><delete path=\"\\FlashHd\\old.txt\"/></update>"));
  device.WriteFile("FlashHd/old.txt", "old");

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device), (Messages{"found update file \\sd card\\update.xml.", "already update.",
                                           "\\System\\Main_Ap.exe launch success."}));
  EXPECT_TRUE(device.Exists("FlashHd/old.txt"));
  EXPECT_FALSE(device.Exists("sd card/update.xml"));
}

TEST_F(BootTest, ForceMarkerCarriesOutAnAppliedDescriptionAndKeepsItUnmarked) {
  const std::string forced = Description(
      "<zanty>force.txt</zanty><update_already>1</update_already>"
      "<update><delete path=\"\\FlashHd\\old.txt\"/></update>");
  device.WriteFile("FlashHd/update.xml", forced);
  device.WriteFile("FlashHd/force.txt", "");
  device.WriteFile("FlashHd/old.txt", "old");

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device),
            (Messages{"found update file \\FlashHd\\update.xml.", "zanty file exist.", "1 files has been deleted.",
                      "update finished.", "\\System\\Main_Ap.exe launch success."}));
  EXPECT_FALSE(device.Exists("FlashHd/old.txt"));
  EXPECT_EQ(device.ReadFile("System/update.xml"), forced);
}

TEST_F(BootTest, MassProductionCardIsCarriedOutAtEveryBootAndKept) {
  // With the built-in force-update marker both markers are this one file.
  device.WriteFile("sd card/RV270_AP_UPDATE_MP.txt", "");
  const std::string card = Description(
      "<update_already>0</update_already><update><copy from=\"maps\\\" to=\"\\FlashHd\\maps\\\"/></update>");
  device.WriteFile("sd card/update.xml", card);
  device.WriteFile("sd card/maps/a.map", "a");
  device.WriteFile("sd card/maps/sub/b.map", "b");

  for (int boot = 0; boot < 2; ++boot) {
    EXPECT_EQ(Run().exitCode, 1);
    device.RemoveFolder("FlashHd/maps");
  }
  const Messages oneBoot{"found update file \\sd card\\update.xml.", "zanty file exist.", "2 files has been copied.",
                         "update finished.", "\\System\\Main_Ap.exe launch success."};
  Messages twoBoots = oneBoot;
  twoBoots.insert(twoBoots.end(), oneBoot.begin(), oneBoot.end());
  EXPECT_EQ(LogMessages(device), twoBoots);
  EXPECT_EQ(device.ReadFile("sd card/update.xml"), card);
}

TEST_F(BootTest, MassProductionMarkerAloneKeepsTheCardButLetsItBeMarked) {
  device.WriteFile("sd card/RV270_AP_UPDATE_MP.txt", "");
  device.WriteFile("sd card/update.xml",
                   Description("<zanty>\\sd card\\force.txt</zanty><update_already>0</update_already>"
                               "<update><copy from=\"a.txt\" to=\"\\FlashHd\\a.txt\"/></update>"));
  device.WriteFile("sd card/a.txt", "a");

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(device.ReadFile("FlashHd/a.txt"), "a");
  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device),
            (Messages{"found update file \\sd card\\update.xml.", "1 files has been copied.", "update finished.",
                      "\\System\\Main_Ap.exe launch success.", "found update file \\sd card\\update.xml.",
                      "already update.", "\\System\\Main_Ap.exe launch success."}));
  EXPECT_NE(device.ReadFile("sd card/update.xml").find("<update_already>1</update_already>"), std::string::npos);
}

TEST_F(BootTest, AnOverLongPathNamesNothingRatherThanItsDefault) {
  // The default marker is on the card, and the default program in place.
  device.WriteFile("sd card/RV270_AP_UPDATE_MP.txt", "");
  const std::string tooLong = "\\sd card\\" + std::string(294, 'z');
  device.WriteFile("sd card/update.xml",
                   Description("<zanty>" + tooLong + "</zanty><launch>" + tooLong +
                               "</launch>"
                               "<update_already>0</update_already>"
                               "<update><copy from=\"a.txt\" to=\"\\FlashHd\\a.txt\"/></update>"));
  device.WriteFile("sd card/a.txt", "a");

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device),
            (Messages{"found update file \\sd card\\update.xml.", "1 files has been copied.", "update finished.",
                      "\\sd card\\ not exist, goto wince.", "found update file \\sd card\\update.xml.",
                      "already update.", "\\sd card\\ not exist, goto wince."}));
  EXPECT_EQ(Launches(device), (Starts{{"started", "explorer"}, {"started", "explorer"}}));
  const std::string debug = device.ReadDeviceFile("debug.log");
  EXPECT_NE(debug.find("<zanty> of 303 characters"), std::string::npos) << debug;
  EXPECT_NE(debug.find("<launch> of 303 characters"), std::string::npos) << debug;
}

TEST_F(BootTest, StorageCardDescriptionIsCopiedToTheSystemFolderAndDeleted) {
  device.MakeFolder("Storage Card");
  const std::string settings = Description("<progress_color>255</progress_color>");
  device.WriteFile("Storage Card/update.xml", settings);

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(device.ReadFile("System/update.xml"), settings);
  EXPECT_FALSE(device.Exists("Storage Card/update.xml"));
  // The next boot finds the kept copy in the system folder.
  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device),
            (Messages{"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success.",
                      "no update file, read config file and goto wince.", "\\System\\Main_Ap.exe launch success."}));
}

}  // namespace
}  // namespace initap::test
