// A command line initap refuses, or only asks for the usage: the boot never
// starts, so the card waiting in the device is still there afterwards.
#include <gtest/gtest.h>

#include "tests/e2e/device_boot.h"
#include "tests/support/host_files.h"
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

// A device folder that leads out to the PC's own files, or whose volumes'
// sizes are no sizes, is refused in one line before the boot.
TEST(DeviceFolderRefusalTest, LinksOutAndUnusableSizesAreRefusedInOneLine) {
  if (!std::filesystem::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
  namespace fs = std::filesystem;
  const struct {
    const char* what;
    const char* deviceIni;
    const char* said;
  } cases[] = {
      {"root", "", "root is a link; a device's root/ is a folder of its own (--mount '\\VOLUME=HOSTDIR'"},
      {"registry.reg", "", "registry.reg is a link; the platform writes it"},
      {"launched.log", "", "launched.log is a link; the platform writes it"},
      {"debug.log", "", "debug.log is a link; the platform writes it"},
      {"clock", "", "clock is a link; the platform writes it"},
      {"", "[volumes]\nFlashHd = lots\n", "device.ini: [volumes] FlashHd = lots is no size such as 512MiB"},
      {"", "[volumes]\nFlash = 1MiB\n", "device.ini: [volumes] names \"Flash\", which is no volume of the device"},
  };
  for (const auto& c : cases) {
    DeviceTree device(c.deviceIni);
    MakeBootableDevice(device);
    TempFolder outside;
    if (*c.what != 0) {
      const fs::path linked = device.Folder() / c.what;
      const fs::path target = outside.path() / c.what;
      if (fs::exists(linked)) fs::rename(linked, target);
      if (!fs::exists(target)) WriteHostFile(target, "");
      fs::create_symlink(target, linked);
    }
    const BootResult run = Boot(device.Folder(), {});
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_EQ(run.output.find("initap: "), 0u) << run.output;
    EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
    EXPECT_FALSE(fs::exists(outside.path() / "root/FlashHd/updatelog.txt")) << c.what;
  }
}

}  // namespace
}  // namespace initap::test
