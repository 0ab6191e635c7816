// A device booted twice from the same state, once dry and once for real on a
// copy, and every way in which what the dry run told differs from what the
// boot did.
#pragma once

#include <string>
#include <vector>

#include "tests/support/device_tree.h"

namespace initap::test {

// Each difference as one line that names what differs and both sides; none
// when the dry run told the truth: the same log lines, program starts,
// report and summary, and a report that names every change the boot made
// to the device's tree and nothing else.
std::vector<std::string> DryAndRealDiffer(const DeviceTree& device);

}  // namespace initap::test
