// The shell on the Windows API: a device program starts through
// ShellExecuteExW from the device's drive, and every request is noted in
// DEVICE\launched.log, as on the host.
#pragma once

#include <functional>
#include <mutex>
#include <string_view>

#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/win32/device_folder.h"
#include "platform/win32/files/win32_files.h"

namespace platform::win32 {

class Win32Shell final : public Shell {
 public:
  // `echo` (may be empty) is handed each line written to launched.log, without its line end.
  Win32Shell(const DeviceFolder& device, Win32FileSystem& files, Kernel& kernel,
             std::function<void(std::string_view line)> echo);

  // A bare name is looked for as "\Windows\NAME.exe", then "\Windows\NAME",
  // on the device: under Wine "explorer" would otherwise start Wine's own.
  // Only Windows programs (PE files) start, without error dialogs and
  // without waiting; true when one was started.
  bool Execute(std::wstring_view file) override;

 private:
  // Appends "(MM-DD HH:MM) started FILE" or "... failed FILE".
  void Note(bool started, std::wstring_view file);

  DeviceFolder device_;
  Win32FileSystem& files_;
  Kernel& kernel_;
  std::function<void(std::string_view)> echo_;
  std::mutex logLock_;
};

}  // namespace platform::win32
