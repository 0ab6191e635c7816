// The shared file system scenarios run on the Windows API backend.
#include "platform/win32/files/win32_files.h"
#include "tests/platform/files/device_files.h"

namespace initap::test {

std::unique_ptr<platform::FileSystem> OpenDeviceFiles(const DeviceTree& device) {
  std::string error;
  return platform::win32::Win32FileSystem::Open(platform::win32::DeviceAt(device.Folder().wstring()), error);
}

}  // namespace initap::test
