// The start of the main application, and the shell when it cannot start.
#include <gtest/gtest.h>

#include "tests/e2e/device_boot.h"

namespace initap::test {
namespace {

using Messages = std::vector<std::string>;
using Starts = std::vector<Launch>;

TEST_F(BootTest, MissingTargetProgramStartsTheShell) {
  device.WriteFile("FlashHd/update.xml", Description("<launch>Nav/nav.exe</launch><update/>"));

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device), (Messages{"found update file \\FlashHd\\update.xml.", "update list is 0.",
                                           "\\FlashHd\\Nav\\nav.exe not exist, goto wince."}));
  EXPECT_EQ(Launches(device), (Starts{{"started", "explorer"}}));
  // Written before the target is looked for.
  EXPECT_TRUE(device.Exists("Windows/Desktop/Navigation.lnk"));
}

TEST_F(BootTest, TargetProgramThatCannotStartIsLoggedAndTheShellStarted) {
  device.WriteFile("System/Main_Ap.exe", "#!/bin/sh\nexit 0\n", false);

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device),
            (Messages{"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch error, goto wince."}));
  EXPECT_EQ(Launches(device), (Starts{{"failed", "\\System\\Main_Ap.exe"}, {"started", "explorer"}}));
}

TEST_F(BootTest, UnresolvableTargetOfAStorageCardDescriptionIsAnEmptyPath) {
  device.MakeFolder("Storage Card");
  device.WriteFile("Storage Card/update.xml", Description("<launch>nav.exe</launch>"));

  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_EQ(LogMessages(device), (Messages{"no update and config file, goto wince.", " not exist, goto wince."}));
  EXPECT_EQ(Launches(device), (Starts{{"started", "explorer"}}));
}

}  // namespace
}  // namespace initap::test
