// A device folder with the host file system opened on it, for these tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/host/files/host_files.h"
#include "tests/support/temp_folder.h"

namespace platform {

// Statuses show as the device's numbers in failure messages.
inline void PrintTo(FileStatus status, std::ostream* out) { *out << static_cast<unsigned>(status); }

}  // namespace platform

namespace initap::test {

// DEVICE/root with the volumes "sd card", "FlashHd", "System" and "Windows",
// and host-side access to files by their path below root/ ("FlashHd/a.txt").
class DeviceTree {
 public:
  DeviceTree() {
    for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) {
      std::filesystem::create_directories(folder_.path() / "root" / volume);
    }
  }
  const std::filesystem::path& Folder() const { return folder_.path(); }
  std::filesystem::path Host(std::string_view rootRelative) const { return folder_.path() / "root" / rootRelative; }

  void WriteFile(std::string_view rootRelative, std::string_view content) const { Write(Host(rootRelative), content); }
  std::string ReadFile(std::string_view rootRelative) const { return Read(Host(rootRelative)); }
  bool Exists(std::string_view rootRelative) const { return std::filesystem::exists(Host(rootRelative)); }
  bool IsFolder(std::string_view rootRelative) const { return std::filesystem::is_directory(Host(rootRelative)); }
  void MakeFolder(std::string_view rootRelative) const { std::filesystem::create_directories(Host(rootRelative)); }
  void RemoveFile(std::string_view rootRelative) const { std::filesystem::remove(Host(rootRelative)); }
  // A file beside root/.
  void WriteDeviceFile(std::string_view name, std::string_view content) const { Write(folder_.path() / name, content); }
  std::string ReadDeviceFile(std::string_view name) const { return Read(folder_.path() / name); }

 private:
  static void Write(const std::filesystem::path& file, std::string_view content) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  TempFolder folder_;
};

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

  void Mount(std::wstring volume, std::filesystem::path folder) { mounts_.push_back({std::move(volume), std::move(folder)}); }

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
