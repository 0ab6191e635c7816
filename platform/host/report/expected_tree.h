// The device's volumes held against a wanted tree (a folder laid out as a
// device folder's root/): each volume the tree holds is compared with what
// the device holds after the run, file by file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/host/report/warnings.h"

namespace platform::host {

// One error finding for each file missing on the device, extra on it or
// different from the tree's, and each name that differs only in letter case,
// in the order of the tree's volumes and names. `records` are the device
// paths the boot writes as its own record (its log, the description it keeps,
// the shortcuts): compared only where the tree holds them.
std::vector<Warning> CompareWithTree(FileSystem& device, const std::filesystem::path& tree,
                                     const std::vector<std::string>& records);

}  // namespace platform::host
