// A device folder seen from the Windows API: the folder of the platform's own
// files (clock, logs, settings) and the folder that is the device's root.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/common/volume_sizes.h"

namespace platform::win32 {

// A Windows folder that stands in for a volume ("\sd card").
struct Mount {
  std::wstring volume;  // without backslashes, as given
  std::wstring folder;  // usually a drive mapped to the host folder
};

struct DeviceFolder {
  std::wstring folder;  // a Windows path, without a trailing separator
  std::wstring root;    // the device's "\", usually a drive mapped to DEVICE/root
  std::vector<Mount> mounts;

  std::wstring File(const wchar_t* name) const { return folder + L"\\" + name; }
};

// The device folder `folder` with root\ below it.
inline DeviceFolder DeviceAt(std::wstring folder) {
  std::wstring root = folder + L"\\root";
  return DeviceFolder{std::move(folder), std::move(root), {}};
}

// The value of `key` in the [device] section of device.ini, trimmed; none
// when the file or the key is missing.
std::optional<std::string> ReadDeviceSetting(const DeviceFolder& device, const std::string& key);

// The volumes' sizes that device.ini gives (platform::ReadVolumeSizes); none without the file.
bool ReadVolumeSizes(const DeviceFolder& device, std::vector<VolumeSize>& sizes, std::string& error);

}  // namespace platform::win32
