// A device folder put together as the platform the system runs on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host/command_line.h"
#include "platform/host/report/change_report.h"
#include "platform/host/report/warnings.h"
#include "platform/platform.h"

namespace platform::host {

class HostFileSystem;
class HostKernel;
class HostGraphics;
class HostShell;
class CardWatch;
class RecordingFileSystem;

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
  HostFileSystem& Files() { return *files_; }
  HostKernel& Kernel() { return *kernel_; }
  HostGraphics& Graphics() { return *graphics_; }
  // What the services warned the card maker of during the run.
  Warnings& CardWarnings() { return *warnings_; }
  // What the run changed on the device, or in a dry run would change.
  ChangeReport& Changes() { return *changes_; }
  // The run has ended: what the system never read of a description is
  // weighed, and the display writes what it keeps of the last screen.
  void Finish();

 private:
  HostPlatform() = default;

  std::unique_ptr<Warnings> warnings_;
  std::unique_ptr<HostKernel> kernel_;
  std::unique_ptr<ChangeReport> changes_;
  std::unique_ptr<HostFileSystem> files_;
  std::unique_ptr<RecordingFileSystem> recorded_;
  std::unique_ptr<CardWatch> watch_;
  std::unique_ptr<platform::FileSystem> watchedFiles_;
  std::unique_ptr<platform::CodePage> codePage_;
  std::unique_ptr<platform::Registry> registry_;
  std::unique_ptr<platform::Xml> xml_;
  std::unique_ptr<class DisplayDriver> display_;
  std::unique_ptr<HostGraphics> graphics_;
  std::unique_ptr<platform::WindowSystem> windows_;
  std::unique_ptr<HostShell> hostShell_;
  std::unique_ptr<platform::Shell> shell_;
  std::unique_ptr<platform::Gps> gps_;
  std::unique_ptr<platform::RawDiskService> disks_;
  std::unique_ptr<platform::Platform> services_;
};

}  // namespace platform::host
