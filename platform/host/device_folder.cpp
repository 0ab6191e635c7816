#include "platform/host/device_folder.h"

#include <fstream>

#include "platform/common/device_ini.h"

namespace platform::host {

std::optional<std::string> ReadDeviceSetting(const DeviceFolder& device, const std::string& key) {
  std::ifstream ini(device.File("device.ini"));
  if (!ini) return std::nullopt;
  return common::DeviceSetting(ini, key);
}

}  // namespace platform::host
