// The shell of a device folder: a device program starts from its host file,
// found inside the device, and every request is noted in DEVICE/launched.log.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/host/device_folder.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace platform::host {

class HostFiles;

class HostShell final : public Shell {
 public:
  // `echo` (may be empty) is handed each line written to launched.log, without its line end.
  HostShell(const DeviceFolder& device, HostFiles& files, Kernel& kernel,
            std::function<void(std::string_view line)> echo);

  // Starts the host file of `file`, detached and not waited for; a bare name
  // is looked for as "\Windows\NAME.exe", then "\Windows\NAME". True when the
  // program was started; false when no such file exists or it cannot run.
  // A Windows program, which the PC cannot run, counts as started and runs not.
  bool Execute(std::wstring_view file) override;

 private:
  // A Windows program inside the device: the device runs it, the PC cannot.
  bool IsProgramFile(const std::wstring& path);
  // Appends "(MM-DD HH:MM) started FILE" or "... failed FILE".
  void Note(bool started, std::wstring_view file);

  DeviceFolder device_;
  HostFiles& files_;
  Kernel& kernel_;
  std::function<void(std::string_view)> echo_;
  std::mutex logLock_;
};

}  // namespace platform::host
