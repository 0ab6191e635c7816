#include "platform/win32/device_folder.h"

#include <filesystem>
#include <fstream>

#include "platform/common/device_ini.h"

namespace platform::win32 {

std::optional<std::string> ReadDeviceSetting(const DeviceFolder& device, const std::string& key) {
  std::ifstream ini(std::filesystem::path(device.File(L"device.ini")));
  if (!ini) return std::nullopt;
  return common::DeviceSetting(ini, key);
}

bool ReadVolumeSizes(const DeviceFolder& device, std::vector<VolumeSize>& sizes, std::string& error) {
  sizes.clear();
  std::ifstream ini(std::filesystem::path(device.File(L"device.ini")));
  if (!ini) return true;
  return platform::ReadVolumeSizes(ini, sizes, error);
}

}  // namespace platform::win32
