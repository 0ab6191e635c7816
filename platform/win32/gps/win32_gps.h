// The GPS receiver of a device folder on the Windows API: DEVICE\gps.nmea
// replayed report by report at the pace of the reads; without the file, or
// when it is no file on a disk (a folder, a pipe, a device), a device
// without receiver.
#pragma once

#include "platform/common/log_receiver.h"
#include "platform/kernel.h"
#include "platform/win32/device_folder.h"

namespace platform::win32 {

class Win32Gps final : public LogReceiver {
 public:
  Win32Gps(const DeviceFolder& device, Kernel& kernel);
};

}  // namespace platform::win32
