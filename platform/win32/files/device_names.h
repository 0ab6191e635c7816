// A device path turned into the Windows path it stands for below the device's
// root. Whatever its text, the result stays below the root: every name is
// checked, so no drive, no "\\?\", "\??\", "\\.\" or UNC prefix, no
// "unix" form and no DOS device name ("CON", "COM1", ...) can come through.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace platform::win32 {

struct DeviceNames {
  // From the root down; "." is dropped and ".." steps back, never above the root.
  std::vector<std::wstring> names;
  // Written with a trailing separator (or ending in "." or ".."): it names a folder.
  bool namesFolder = false;

  bool IsRoot() const { return names.empty(); }
  // The Windows path below `root` (which has no trailing separator).
  std::wstring Below(const std::wstring& root) const;
  // The same path with its last name replaced.
  DeviceNames WithLast(std::wstring name) const;
};

// Splits at "\" and "/"; a path without a leading separator starts at the
// root as well. PathNotFound for the empty path; InvalidName for an over-long
// path or name, a character the device refuses in names, a name Windows
// would change (trailing dot or space) or a DOS device name.
FileStatus ParseDeviceNames(std::wstring_view path, DeviceNames& parsed);

}  // namespace platform::win32
