// The GPS receiver of a device folder: DEVICE/gps.nmea replayed report by
// report at the pace of the reads; without the file, or when it is no regular
// file, a device without receiver.
#pragma once

#include "platform/common/log_receiver.h"
#include "platform/host/device_folder.h"
#include "platform/kernel.h"

namespace platform::host {

class HostGps final : public LogReceiver {
 public:
  HostGps(const DeviceFolder& device, Kernel& kernel);
};

}  // namespace platform::host
