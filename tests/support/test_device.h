// A device folder made for one test, with the host platform opened on it.
#pragma once

#include <memory>

#include "platform/host/host_platform.h"
#include "tests/support/device_tree.h"

namespace initap::test {

class TestDevice : public DeviceTree {
 public:
  // root/ with the volumes "sd card", "FlashHd", "System" and "Windows";
  // `deviceIni` becomes device.ini when not empty.
  explicit TestDevice(std::string_view deviceIni = {});
  ~TestDevice();

  using DeviceTree::Host;
  // The platform, opened on first use so that files written before it count.
  platform::Platform& Services();
  platform::host::HostPlatform& Host();
  // The same services with another window system in place of the host's.
  platform::Platform WithWindows(platform::WindowSystem& windows);

 private:
  std::unique_ptr<platform::host::HostPlatform> host_;
};

}  // namespace initap::test
