// A device folder with the host file system opened on it, for these tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/host/files/host_files.h"
#include "tests/support/device_tree.h"
#include "tests/support/temp_folder.h"

namespace platform {

// Statuses show as the device's numbers in failure messages.
inline void PrintTo(FileStatus status, std::ostream* out) { *out << static_cast<unsigned>(status); }

}  // namespace platform

namespace initap::test {

class FilesTest : public ::testing::Test {
 protected:
  // Opened on first use, so that mounts added before count.
  platform::host::HostFileSystem& Files() {
    if (!files_) {
      std::string error;
      files_ = platform::host::HostFileSystem::Open({device_.Folder(), mounts_}, error);
      if (!files_) {
        ADD_FAILURE() << "the file system does not open: " << error;
        std::abort();
      }
    }
    return *files_;
  }

  void Mount(std::wstring volume, std::filesystem::path folder) {
    mounts_.push_back({std::move(volume), std::move(folder)});
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
  // Host folders beside the device folder, out of the device's reach.
  TempFolder outside_;
  std::vector<platform::host::Mount> mounts_;
  std::unique_ptr<platform::host::HostFileSystem> files_;
};

}  // namespace initap::test
