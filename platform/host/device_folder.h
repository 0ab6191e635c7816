// A device as a folder on the host: its file system root, volumes put in
// place from host folders, and the files the platform keeps beside them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/device_volumes.h"
#include "platform/common/volume_sizes.h"

namespace platform::host {

// A host folder that stands in for a volume ("\sd card").
struct Mount {
  std::wstring volume;  // without backslashes, as given
  std::filesystem::path hostFolder;
};

struct DeviceFolder {
  std::filesystem::path folder;
  std::vector<Mount> mounts;
  // A dry run: the platform writes nothing into the folder or a mount, and
  // keeps what the device changes in memory.
  bool dryRun = false;

  std::filesystem::path Root() const { return folder / "root"; }
  std::filesystem::path File(const char* name) const { return folder / name; }
};

// False with a one-line `error` when root/ or a file the platform writes
// beside it (registry.reg, launched.log, debug.log, clock) is a symbolic
// link: a device folder handed over must not reach the PC's own files.
bool RefuseLinks(const DeviceFolder& device, std::string& error);

// The value of `key` in the [device] section of device.ini, trimmed; none
// when the file or the key is missing.
std::optional<std::string> ReadDeviceSetting(const DeviceFolder& device, const std::string& key);

// The volumes' sizes that device.ini gives (ReadVolumeSizes); none without the file.
bool ReadVolumeSizes(const DeviceFolder& device, std::vector<VolumeSize>& sizes, std::string& error);

}  // namespace platform::host
