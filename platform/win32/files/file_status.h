// Windows error codes as the device's file statuses: mostly the same numbers.
#pragma once

#include <cstdint>

#include "platform/filesystem.h"

namespace platform::win32 {

FileStatus StatusOfError(std::uint32_t error);
// The calling thread's last error.
FileStatus LastStatus();

}  // namespace platform::win32
