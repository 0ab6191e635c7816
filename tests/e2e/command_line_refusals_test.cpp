// A command line initap refuses, or only asks for the usage: the boot never
// starts, so the card waiting in the device is still there afterwards.
#include <gtest/gtest.h>

#include "tests/e2e/device_boot.h"
#include "tests/support/temp_folder.h"

namespace initap::test {
namespace {

TEST_F(BootTest, RefusedCommandLinesLeaveTheDeviceAlone) {
  device.WriteFile("sd card/update.xml",
                   Description("<update><copy from=\"a.txt\" to=\"\\FlashHd\\a.txt\"/></update>"));
  device.WriteFile("sd card/a.txt", "a");
  TempFolder card;
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    std::string said;
  } cases[] = {
      {{"--screenshot", "/nonexistent/screen.png"}, 2, "initap: --screenshot file '/nonexistent/screen.png'"},
      {{"--animation", "/nonexistent/boot.webp"}, 2, "initap: --animation file '/nonexistent/boot.webp'"},
      {{"--mount", "\\sdcard=" + card.path().string()}, 2, "its volumes are '\\sd card', '\\Storage Card'"},
      {{"-h"}, 0, "docs/guide.md"},
  };
  for (const auto& c : cases) {
    const BootResult run = Boot(device.Folder(), c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
    EXPECT_TRUE(device.Exists("sd card/update.xml")) << c.said;
    EXPECT_FALSE(device.Exists("FlashHd/a.txt")) << c.said;
  }
}

}  // namespace
}  // namespace initap::test
