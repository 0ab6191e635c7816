// A device path turned into the Windows path it stands for below the device's
// root. Whatever its text, the result stays below the root: every name is
// checked, so no drive, no "\\?\", "\??\", "\\.\" or UNC prefix, no
// "unix" form and no DOS device name ("CON", "COM1", ...) can come through.
#pragma once

#include <string_view>

#include "platform/common/device_names.h"
#include "platform/filesystem.h"

namespace platform::win32 {

// The device's names (platform::ParseDeviceNames); InvalidName also for a
// DOS device name.
FileStatus ParseWindowsDeviceNames(std::wstring_view path, DeviceNames& parsed);

}  // namespace platform::win32
