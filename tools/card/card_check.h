// One card's dry run on many device folders at once, each with its verdict.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace initap::card {

// What the card does to one device folder, read from its dry run.
struct DeviceVerdict {
  std::filesystem::path device;
  int exitCode = -1;  // the dry run's, -1 when it did not run to its end
  std::size_t errors = 0;
  std::size_t warnings = 0;
  std::size_t changes = 0;                // files added, replaced or deleted, folders created or removed
  std::optional<bool> treeMatched;        // with an expected tree: whether the volumes equal it
  std::vector<std::string> errorLines;    // each error as the dry run printed it
  std::vector<std::string> warningLines;  // each warning as the dry run printed it
  std::string output;                     // all the dry run printed
  std::string report;                     // the dry run's report, JSON; empty when it wrote none
};

struct CheckSetting {
  std::filesystem::path initap;  // the initap that boots each device
  std::filesystem::path card;    // mounted as the device's SD card
  std::optional<std::filesystem::path> expect;
  std::vector<std::filesystem::path> devices;
  unsigned jobs = 1;  // dry runs at once, at least 1
};

// Boots each device of `setting` dry with the card, `jobs` at a time; the
// verdicts in the order of the devices. Leaves every folder unchanged.
std::vector<DeviceVerdict> CheckCard(const CheckSetting& setting);

// The dry run's outcome in a word: "clean", "warnings", "errors", "not reached" or "did not run".
std::string Outcome(const DeviceVerdict& verdict);

// The worst of the verdicts as an exit code: 4 when a device does not reach
// its main application, then 5 for errors, 3 for warnings only, 0 when every
// device is clean; 1 when a dry run did not run to its end.
int WorstVerdict(const std::vector<DeviceVerdict>& verdicts);

}  // namespace initap::card
