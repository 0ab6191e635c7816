// A device path taken apart into the names it is made of, by the rules every
// backend shares: "\" and "/" separate, "." and ".." are steps, and no name
// holds a character the device's file systems refuse.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace platform {

struct DeviceNames {
  // From the root down; "." is dropped and ".." steps back, never above the root.
  std::vector<std::wstring> names;
  // Written with a trailing separator (or ending in "." or ".."): it names a folder.
  bool namesFolder = false;

  bool IsRoot() const { return names.empty(); }
  // The path below `root` (which has no trailing separator), joined with backslashes.
  std::wstring Below(const std::wstring& root) const;
  // The same path with its last name replaced.
  DeviceNames WithLast(std::wstring name) const;
};

// Why a name cannot stand in a folder of the device's volumes.
enum class NameFault {
  None,
  Character,           // a control character, a separator or one of " * : < > ? |
  TrailingDotOrSpace,  // the device's file systems cannot keep the last dot or space
  TooLong,             // more than 255 units
};

// What keeps `name`, one entry's name as a host folder holds it, off the device's volumes.
NameFault FaultOfName(std::wstring_view name);

// Of two names in one folder that fold alike, whether the device sees `name`
// rather than `twin`: the first in code point order, which is how the host
// sorts names, so that every listing and every lookup sees the same one,
// whatever order the host's folder lists them in.
bool SeenOverTwin(std::wstring_view name, std::wstring_view twin);

// A backend's own rule for names it cannot hold: true refuses `name`.
using NameRule = bool (*)(std::wstring_view name);

// Splits at "\" and "/"; a path without a leading separator starts at the
// root as well. PathNotFound for the empty path; InvalidName for an over-long
// path or a name with a fault (FaultOfName), or one that `refused` refuses,
// wherever it stands (a ".." after it does not take it back).
FileStatus ParseDeviceNames(std::wstring_view path, DeviceNames& parsed, NameRule refused = nullptr);

// The path as compared with others: folded, with ".", ".." and separators
// made alike ("\" for the root); empty when the text is no device path.
std::wstring ComparableDevicePath(std::wstring_view path);

}  // namespace platform
