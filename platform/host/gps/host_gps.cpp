#include "platform/host/gps/host_gps.h"

#include <fcntl.h>

#include "platform/host/regular_file.h"

namespace platform::host {

HostGps::HostGps(const DeviceFolder& device, Kernel& kernel)
    : LogReceiver(
          [log = device.File("gps.nmea")]() -> std::unique_ptr<std::streambuf> {
            UniqueFd file = OpenRegularFile(log, O_RDONLY);
            if (!file) return nullptr;
            return std::make_unique<FdReadBuffer>(std::move(file));
          },
          kernel) {}

}  // namespace platform::host
