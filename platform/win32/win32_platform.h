// A device folder put together as the platform the system runs on, on the Windows API.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/common/append_echo.h"
#include "platform/common/observed_file_system.h"
#include "platform/common/sized_volumes.h"
#include "platform/platform.h"
#include "platform/win32/device_folder.h"
#include "platform/win32/window/win32_window_system.h"

namespace platform::win32 {

class Win32FileSystem;
class Win32Kernel;
class Win32Graphics;
class Win32Registry;

class Win32Platform {
 public:
  // Opens every service of the device; null with a one-line `error` when the
  // device folder or its code page is unusable. `echo` (may be empty) is
  // handed each line of the update log and of launched.log; `windows` says
  // when the window is closed from outside (its thread count is the kernel's).
  static std::unique_ptr<Win32Platform> Create(const DeviceFolder& device, std::function<void(std::string_view)> echo,
                                               WindowOptions windows, std::string& error);
  ~Win32Platform();

  platform::Platform& Services() { return *services_; }
  Win32Graphics& Graphics() { return *graphics_; }
  const Win32Registry& Registry() const { return *registry_; }

 private:
  Win32Platform() = default;

  std::unique_ptr<Win32Kernel> kernel_;
  std::unique_ptr<Win32FileSystem> files_;
  // What the system calls: the file system within the volumes' sizes, with
  // the update log's lines echoed.
  std::unique_ptr<platform::SizedVolumes> sizedFiles_;
  std::unique_ptr<platform::AppendEcho> logEcho_;
  std::unique_ptr<platform::ObservedFileSystem> observedFiles_;
  std::unique_ptr<platform::CodePage> codePage_;
  std::unique_ptr<Win32Registry> registry_;
  std::unique_ptr<platform::Xml> xml_;
  std::unique_ptr<Win32Graphics> graphics_;
  std::unique_ptr<platform::WindowSystem> windows_;
  std::unique_ptr<platform::Shell> shell_;
  std::unique_ptr<platform::Gps> gps_;
  std::unique_ptr<platform::RawDiskService> disks_;
  std::unique_ptr<platform::Platform> services_;
};

}  // namespace platform::win32
