// The runs that end before the update: the image-update hand-off and the
// diagnostic path.
#include <gtest/gtest.h>

#include <array>

#include "tests/e2e/device_boot.h"
#include "tests/support/nmea_sentence.h"

namespace initap::test {
namespace {

using Messages = std::vector<std::string>;
using Starts = std::vector<Launch>;

constexpr std::array<const char*, 12> kImageUpdateLeftovers = {
    "ZEV7100UpdateDone.txt", "chain.bin", "TINYNK.bin",  "NK.bin",
    "winceimg.cks",          "Eboot.cks", "Eboot.nb0",   "Eboot.xml",
    "winceimg.xml",          "chain.lst", "OEMLOGO.bmp", "OEMLOGO.raw"};

class EarlyPathTest : public BootTest {
 protected:
  // An SD card that would update, copy and log if the run got that far.
  void InsertUpdateCard() {
    device.WriteFile("sd card/update.xml",
                     Description("<update><copy from=\"new.txt\" to=\"\\FlashHd\\new.txt\"/></update>"));
    device.WriteFile("sd card/new.txt", "new");
  }
};

TEST_F(EarlyPathTest, PendingImageUpdateOnlyStartsTheImageUpdater) {
  device.WriteFile("Windows/KRTNkUpdate.exe", "#!/bin/sh\nexit 0\n", true);
  device.WriteFile("FlashHd/temp/winceimg.xml", "image");
  device.WriteFile("sd card/Launch_Valkor_For_Diagnostic.txt", "");
  InsertUpdateCard();
  device.WriteDeviceFile("gps.nmea", NmeaSentence("GPRMC,102000.00,A,4807.038,N,01131.000,E,0.0,0.0,150731,,,A"));

  const BootResult run = Run();
  // The window stays open until the run comes to rest and is closed from outside.
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(Launches(device), (Starts{{"started", "\\Windows\\KRTNkUpdate.exe"}}));
  EXPECT_FALSE(device.Exists("FlashHd/updatelog.txt"));
  EXPECT_FALSE(device.Exists("FlashHd/new.txt"));
  EXPECT_TRUE(device.Exists("sd card/update.xml"));
  EXPECT_TRUE(device.Exists("FlashHd/temp/winceimg.xml"));
  EXPECT_FALSE(device.Exists("Windows/Desktop/Navigation.lnk"));
  EXPECT_FALSE(ClockOffset(device).has_value());
}

TEST_F(EarlyPathTest, FinishedImageUpdateIsClearedAndTheRunGoesOn) {
  for (const char* file : kImageUpdateLeftovers) device.WriteFile(std::string("FlashHd/temp/") + file, file);
  device.WriteFile("FlashHd/temp/keep.txt", "not ours");

  const BootResult run = Run();
  EXPECT_EQ(run.exitCode, 1) << run.output;
  for (const char* file : kImageUpdateLeftovers)
    EXPECT_FALSE(device.Exists(std::string("FlashHd/temp/") + file)) << file;
  EXPECT_TRUE(device.Exists("FlashHd/temp/keep.txt"));
  EXPECT_EQ(LogMessages(device),
            (Messages{"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."}));
  EXPECT_EQ(Launches(device), (Starts{{"started", "\\System\\Main_Ap.exe"}}));
  EXPECT_TRUE(device.Exists("Windows/Desktop/Navigation.lnk"));
}

TEST_F(EarlyPathTest, DoneMarkerAloneIsLeftAlone) {
  device.WriteFile("FlashHd/temp/ZEV7100UpdateDone.txt", "done");
  device.WriteFile("FlashHd/temp/NK.bin", "image");

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_TRUE(device.Exists("FlashHd/temp/ZEV7100UpdateDone.txt"));
  EXPECT_TRUE(device.Exists("FlashHd/temp/NK.bin"));
  EXPECT_EQ(Launches(device), (Starts{{"started", "\\System\\Main_Ap.exe"}}));
}

class DiagnosticTest : public EarlyPathTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DiagnosticTest, TriggerWritesShortcutsStartsTheShellAndUpdatesNothing) {
  device.MakeFolder("Storage Card");
  device.WriteFile(std::string(GetParam()) + "/Launch_Valkor_For_Diagnostic.txt", "");
  InsertUpdateCard();

  const BootResult run = Run();
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(LogMessages(device), (Messages{"found diagnostic file, goto wince."}));
  EXPECT_EQ(Launches(device), (Starts{{"started", "explorer"}}));
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Navigation.lnk"), "21#\"\\System\\Main_Ap.exe\"");
  EXPECT_FALSE(device.Exists("FlashHd/new.txt"));
  EXPECT_TRUE(device.Exists("sd card/update.xml"));
  EXPECT_FALSE(device.Exists("System/update.xml"));
}

INSTANTIATE_TEST_SUITE_P(OnEitherCard, DiagnosticTest, ::testing::Values("sd card", "Storage Card"),
                         [](const auto& info) { return std::string(info.param[0] == 's' ? "SdCard" : "StorageCard"); });

TEST_F(EarlyPathTest, BothDiagnosticTriggersAreHandledOnce) {
  device.WriteFile("sd card/Launch_Valkor_For_Diagnostic.txt", "");
  device.WriteFile("Storage Card/Launch_Valkor_For_Diagnostic.txt", "");

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device), (Messages{"found diagnostic file, goto wince."}));
  EXPECT_EQ(Launches(device), (Starts{{"started", "explorer"}}));
}

}  // namespace
}  // namespace initap::test
