// The shared file system scenarios run on the host backend.
#include "platform/host/files/host_files.h"
#include "tests/platform/files/device_files.h"

namespace initap::test {

std::unique_ptr<platform::FileSystem> OpenDeviceFiles(const DeviceTree& device) {
  std::string error;
  return platform::host::HostFileSystem::Open({device.Folder(), {}}, error);
}

}  // namespace initap::test
