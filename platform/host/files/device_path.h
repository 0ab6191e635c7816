// A device path taken apart into the host names it is made of.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace platform::host {

// A name's limit on the host: 255 bytes, which also keeps it within the device's 255 units.
inline constexpr std::size_t kMaxNameBytes = 255;

struct DevicePath {
  // UTF-8 names from the root down; "." is dropped and ".." steps back, never above the root.
  std::vector<std::string> names;
  // Written with a trailing separator (or ending in "." or ".."): it names a folder.
  bool namesFolder = false;
};

// The device's names (ParseDeviceNames) as the host spells them; InvalidName
// also for a name longer than the host can hold.
FileStatus ParseDevicePath(std::wstring_view path, DevicePath& parsed);

}  // namespace platform::host
