#include "tests/support/test_device.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace initap::test {

TestDevice::TestDevice(std::string_view deviceIni) : DeviceTree(deviceIni) {}

TestDevice::~TestDevice() = default;

platform::host::HostPlatform& TestDevice::Host() {
  if (!host_) {
    platform::host::CommandLine line;
    line.device.folder = Folder();
    std::string error;
    host_ = platform::host::HostPlatform::Create(line, {}, error);
    if (!host_) {
      ADD_FAILURE() << "the test device does not open: " << error;
      std::abort();
    }
  }
  return *host_;
}

platform::Platform& TestDevice::Services() { return Host().Services(); }

platform::Platform TestDevice::WithWindows(platform::WindowSystem& windows) {
  const platform::Platform& s = Services();
  return platform::Platform{s.kernel, s.files, windows, s.graphics, s.xml,
                            s.shell,  s.gps,   s.disks, s.registry, s.codePage};
}

}  // namespace initap::test
