// A device as a folder on the host: its file system root, volumes put in
// place from host folders, and the files the platform keeps beside them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/device_volumes.h"

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

// The value of `key` in the [device] section of device.ini, trimmed; none
// when the file or the key is missing.
std::optional<std::string> ReadDeviceSetting(const DeviceFolder& device, const std::string& key);

}  // namespace platform::host
