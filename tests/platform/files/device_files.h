// A device folder with the backend's file system opened on it, for the
// scenarios that every backend passes alike.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "tests/support/device_tree.h"

namespace platform {

// Statuses show as the device's numbers in failure messages.
inline void PrintTo(FileStatus status, std::ostream* out) { *out << static_cast<unsigned>(status); }

}  // namespace platform

namespace initap::test {

// The file system of the backend under test on `device`; each test program
// links the definition of its backend.
std::unique_ptr<platform::FileSystem> OpenDeviceFiles(const DeviceTree& device);

class FileSystemTest : public ::testing::Test {
 protected:
  platform::FileSystem& Files() {
    if (!files_) files_ = OpenDeviceFiles(device_);
    if (!files_) {
      ADD_FAILURE() << "the file system does not open";
      std::abort();
    }
    return *files_;
  }

  // The entries of a listing, sorted; the status of FindFirst in `status`.
  std::vector<std::wstring> List(std::wstring_view pattern, platform::FileStatus* status = nullptr) {
    std::vector<std::wstring> names;
    platform::FindData entry;
    std::unique_ptr<platform::FindHandle> listing;
    const platform::FileStatus started = Files().FindFirst(pattern, entry, listing);
    if (status != nullptr) *status = started;
    if (started != platform::FileStatus::Ok) return names;
    do names.push_back(entry.name);
    while (listing->Next(entry) == platform::FileStatus::Ok);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Read(std::wstring_view path) {
    std::string bytes;
    const platform::FileStatus status = Files().ReadFile(path, bytes);
    return status == platform::FileStatus::Ok ? bytes : "<" + std::to_string(static_cast<unsigned>(status)) + ">";
  }

  DeviceTree device_;
  std::unique_ptr<platform::FileSystem> files_;
};

}  // namespace initap::test
