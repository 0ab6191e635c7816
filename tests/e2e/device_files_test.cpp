// Files of the device that are not what they should be.
#include <gtest/gtest.h>

#include "tests/e2e/device_boot.h"
#include "tests/support/fifo.h"

namespace initap::test {
namespace {

TEST_F(BootTest, FifosWhereTheDeviceKeepsFilesNeverHangTheBoot) {
  MakeFifo(device.Host("FlashHd/updatelog.txt"));
  MakeFifo(device.Host("Windows/Navigation.lnk"));
  MakeFifo(device.Folder() / "gps.nmea");

  const BootResult result = Run();
  EXPECT_NE(result.exitCode, -1) << result.output;
  EXPECT_EQ(Launches(device), (std::vector<Launch>{{"started", "\\System\\Main_Ap.exe"}}));
}

TEST_F(BootTest, RegistryFileNotUnderstoodIsNamedInTheDebugOutput) {
  device.WriteDeviceFile("registry.reg", "[HKEY_CLASSES_ROOT\\CLSID]\n");

  Run();
  EXPECT_NE(device.ReadDeviceFile("debug.log").find("registry.reg: not a registry file"), std::string::npos)
      << device.ReadDeviceFile("debug.log");
  // Without the desktop folder's name the shortcut stays where it was written.
  EXPECT_TRUE(device.Exists("Windows/Navigation.lnk"));
}

}  // namespace
}  // namespace initap::test
