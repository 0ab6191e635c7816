// A device folder put together as the platform the system runs on.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/append_echo.h"
#include "platform/common/observed_file_system.h"
#include "platform/common/observed_kernel.h"
#include "platform/common/observed_shell.h"
#include "platform/common/sized_volumes.h"
#include "platform/host/command_line.h"
#include "platform/host/report/change_report.h"
#include "platform/host/report/warnings.h"
#include "platform/platform.h"

namespace platform::host {

class HostFiles;
class HostKernel;
class HostGraphics;
class HostShell;
class HostXml;
class ObservedXml;
class CardWatch;
class ChangeRecorder;

// Where the host platform reports what happens: the update log's lines and
// program starts (standard output), and its own notices (standard error).
struct HostConsole {
  std::function<void(std::string_view)> line;
  std::function<void(std::string_view)> notice;
};

class HostPlatform {
 public:
  // Opens every service of the device; null with a one-line `error` when the
  // device folder, a mount, the display or the code page is unusable.
  static std::unique_ptr<HostPlatform> Create(const CommandLine& line, HostConsole console, std::string& error);
  ~HostPlatform();

  platform::Platform& Services() { return *services_; }
  HostGraphics& Graphics() { return *graphics_; }
  // What the services warned the card maker of during the run.
  Warnings& CardWarnings() { return *warnings_; }
  // What the run changed on the device, or in a dry run would change.
  ChangeReport& Changes() { return *changes_; }
  // The device's volumes as the run left them (in a dry run, as it would),
  // below the layer that tells the card maker's tools of each call.
  platform::FileSystem& DeviceFiles();
  // The run has ended: what the system never read of a description is
  // weighed, and the display writes what it keeps of the last screen.
  void Finish();

 private:
  HostPlatform() = default;

  // What the card maker is told: the warnings and the change report, and
  // those who tell them what the system did.
  std::unique_ptr<Warnings> warnings_;
  std::unique_ptr<ChangeReport> changes_;
  std::unique_ptr<ChangeRecorder> recorder_;
  std::unique_ptr<CardWatch> watch_;
  std::unique_ptr<platform::AppendEcho> logEcho_;

  // The backends, and over those that are watched the layer that tells the
  // listeners above what the system asked of them.
  std::unique_ptr<HostFiles> deviceFiles_;
  std::unique_ptr<platform::SizedVolumes> sizedFiles_;
  std::unique_ptr<platform::ObservedFileSystem> files_;
  std::unique_ptr<HostKernel> hostKernel_;
  std::unique_ptr<platform::ObservedKernel> kernel_;
  std::unique_ptr<HostXml> hostXml_;
  std::unique_ptr<ObservedXml> xml_;
  std::unique_ptr<HostShell> hostShell_;
  std::unique_ptr<platform::ObservedShell> shell_;
  std::unique_ptr<platform::CodePage> codePage_;
  std::unique_ptr<platform::Registry> registry_;
  std::unique_ptr<class DisplayDriver> display_;
  std::unique_ptr<HostGraphics> graphics_;
  std::unique_ptr<platform::WindowSystem> windows_;
  std::unique_ptr<platform::Gps> gps_;
  std::unique_ptr<platform::RawDiskService> disks_;
  std::unique_ptr<platform::Platform> services_;
};

}  // namespace platform::host
