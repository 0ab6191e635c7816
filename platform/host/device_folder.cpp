#include "platform/host/device_folder.h"

#include <sys/stat.h>

#include <sstream>

#include "platform/common/device_ini.h"
#include "platform/host/regular_file.h"

namespace platform::host {

bool RefuseLinks(const DeviceFolder& device, std::string& error) {
  const auto isLink = [](const std::filesystem::path& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  };
  if (isLink(device.Root())) {
    error = device.Root().string() +
            " is a link; a device's root/ is a folder of its own (--mount '\\VOLUME=HOSTDIR' puts a host folder in "
            "place of a volume)";
    return false;
  }
  for (const char* written : {"registry.reg", "launched.log", "debug.log", "clock"}) {
    if (isLink(device.File(written))) {
      error = device.File(written).string() + " is a link; the platform writes it, so it must be a file of the device";
      return false;
    }
  }
  return true;
}

std::optional<std::string> ReadDeviceSetting(const DeviceFolder& device, const std::string& key) {
  const auto bytes = ReadRegularFile(device.File("device.ini"));
  if (!bytes) return std::nullopt;
  std::istringstream ini(*bytes);
  return common::DeviceSetting(ini, key);
}

bool ReadVolumeSizes(const DeviceFolder& device, std::vector<VolumeSize>& sizes, std::string& error) {
  sizes.clear();
  const auto bytes = ReadRegularFile(device.File("device.ini"));
  if (!bytes) return true;
  std::istringstream ini(*bytes);
  return platform::ReadVolumeSizes(ini, sizes, error);
}

}  // namespace platform::host
