// A device booted twice from the same state, once dry and once for real on a
// copy, and every way in which what the dry run told differs from what the
// boot did.
#pragma once

#include <string>
#include <vector>

#include "tests/support/device_tree.h"

namespace initap::test {

struct DryAndReal {
  // Each difference as one line that names what differs and both sides; none
  // when the dry run told the truth: the same log lines, program starts,
  // report and summary, and a report that names every change the boot made
  // to the device's tree and nothing else.
  std::vector<std::string> differences;
  std::string log;      // the boot's printed lines, without their time stamps
  std::string report;   // the boot's, as JSON
  std::string summary;  // the boot's, its lines as printed
};

// `mountedCard`, when given, is a folder of the device folder beside root/
// that both boots mount as "\sd card".
DryAndReal BootDryAndReal(const DeviceTree& device, const std::string& mountedCard = {});

}  // namespace initap::test
