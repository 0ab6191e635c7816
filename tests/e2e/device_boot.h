// Booting a device folder through the initap executable, and reading what
// the run left behind: the update log, the program starts, the clock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/device_tree.h"
#include "tests/support/initap_process.h"

namespace initap::test {

struct BootResult {
  int exitCode = -1;   // -1 when the run had to be killed
  std::string output;  // standard output and standard error, interleaved
};

// Runs `initap ARGS... DEVICE`, killing it after a minute.
BootResult Boot(const std::filesystem::path& device, const std::vector<std::string>& arguments = {"--quiet"});

// The messages of the update log, each without its time stamp and line end.
std::vector<std::string> LogMessages(const DeviceTree& device);
// The lines of the update log as they are, stamps included.
std::vector<std::string> LogLines(const DeviceTree& device);

// The update log's lines as a run printed them, and its program starts,
// without their time stamps.
std::vector<std::string> PrintedLog(const std::string& output);
// A report without the clock's time before it was set, which moves on between runs.
std::string WithoutClockBefore(std::string report);

// One line of launched.log: "started" or "failed" and the device path asked for.
struct Launch {
  std::string outcome;
  std::string path;
  bool operator==(const Launch&) const = default;
};
std::vector<Launch> Launches(const DeviceTree& device);

// The device clock's offset from the host clock in seconds; none without the clock file.
std::optional<std::int64_t> ClockOffset(const DeviceTree& device);

// A device that boots to its main application: stand-ins for
// "\System\Main_Ap.exe" and "\Windows\explorer.exe", the desktop folder in the
// registry and on the disk, and a shortcut list with one entry.
void MakeBootableDevice(DeviceTree& device);

// An update.xml with zero show times around `inner` (settings and the update list).
std::string Description(std::string_view inner);

// A bootable device in the UTC time zone, skipped while initap is not built.
class BootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
    MakeBootableDevice(device);
  }
  BootResult Run() { return Boot(device.Folder()); }

  DeviceTree device{"[device]\ntimezone = UTC\n"};
};

}  // namespace initap::test
