#include "platform/host/device_folder.h"

#include <sstream>

#include "platform/common/device_ini.h"
#include "platform/host/regular_file.h"

namespace platform::host {

std::optional<std::string> ReadDeviceSetting(const DeviceFolder& device, const std::string& key) {
  const auto bytes = ReadRegularFile(device.File("device.ini"));
  if (!bytes) return std::nullopt;
  std::istringstream ini(*bytes);
  return common::DeviceSetting(ini, key);
}

}  // namespace platform::host
