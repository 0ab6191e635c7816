#include "platform/host/host_platform.h"

#include "platform/common/update_log_path.h"
#include "platform/host/codepage/host_codepage.h"
#include "platform/host/files/host_files.h"
#include "platform/host/files/recording_files.h"
#include "platform/host/gps/host_gps.h"
#include "platform/host/graphics/display_options.h"
#include "platform/host/graphics/host_graphics.h"
#include "platform/host/kernel/host_kernel.h"
#include "platform/host/rawdisk/host_rawdisk.h"
#include "platform/host/registry/host_registry.h"
#include "platform/host/report/card_watch.h"
#include "platform/host/report/watched_files.h"
#include "platform/host/report/watched_shell.h"
#include "platform/host/shell/host_shell.h"
#include "platform/host/utf8.h"
#include "platform/host/window/host_window_system.h"
#include "platform/host/xml/host_xml.h"

namespace platform::host {

std::unique_ptr<HostPlatform> HostPlatform::Create(const CommandLine& line, HostConsole console,
                                                   std::string& error) {
  std::unique_ptr<HostPlatform> host(new HostPlatform);
  const DeviceFolder& device = line.device;
  host->warnings_ = std::make_unique<Warnings>(console.notice);
  host->files_ = HostFileSystem::Open(device, error);
  if (!host->files_) return nullptr;
  host->changes_ = std::make_unique<ChangeReport>();
  host->recorded_ = std::make_unique<RecordingFileSystem>(*host->files_, *host->changes_);
  host->codePage_ = HostCodePage::Open(device, error);
  if (!host->codePage_) return nullptr;
  host->display_ = MakeDisplayDriver(DisplayOptions{line.window, line.screenshot, line.frames, line.animation}, error);
  if (!host->display_) return nullptr;

  host->kernel_ = std::make_unique<HostKernel>(device);
  host->kernel_->SetClockListener([changes = host->changes_.get()](const SystemTime& from, const SystemTime& to) {
    changes->ClockSet(from, to);
  });
  auto registry = std::make_unique<HostRegistry>(device);
  if (const std::string problem = registry->Problem(); !problem.empty()) {
    host->kernel_->DebugOutput(FromUtf8(problem + "; the registry is not written back"));
  }
  host->registry_ = std::move(registry);
  host->watch_ = std::make_unique<CardWatch>(
      *host->warnings_, [kernel = host->kernel_.get()](std::wstring_view text) { kernel->DebugOutput(text); });
  host->watchedFiles_ = std::make_unique<WatchedFiles>(*host->recorded_, *host->watch_);
  host->xml_ = std::make_unique<HostXml>(*host->watchedFiles_, host->watch_.get());
  host->graphics_ = std::make_unique<HostGraphics>(*host->watchedFiles_, *host->display_);
  host->windows_ = std::make_unique<HostWindowSystem>(*host->kernel_, *host->display_,
                                                      WindowOptions{line.closeAfter, console.notice});
  host->hostShell_ = std::make_unique<HostShell>(device, *host->files_, *host->kernel_, console.line);
  host->hostShell_->SetStartListener([changes = host->changes_.get()](std::wstring_view file, bool started) {
    changes->ProgramStart(file, started);
  });
  host->shell_ = std::make_unique<WatchedShell>(*host->hostShell_, *host->watch_);
  host->gps_ = std::make_unique<HostGps>(device, *host->kernel_);
  host->disks_ = std::make_unique<HostRawDiskService>(device);
  if (console.line) {
    host->files_->SetAppendEcho(std::wstring(kUpdateLogPath), [print = console.line](std::string_view bytes) {
      if (!bytes.empty() && bytes.back() == '\n') bytes.remove_suffix(1);
      print(bytes);
    });
  }
  host->services_.reset(new platform::Platform{*host->kernel_, *host->watchedFiles_, *host->windows_, *host->graphics_,
                                               *host->xml_, *host->shell_, *host->gps_, *host->disks_,
                                               *host->registry_, *host->codePage_});
  return host;
}

HostPlatform::~HostPlatform() = default;

void HostPlatform::Finish() {
  watch_->Finish();
  display_->Finish(graphics_->Screen());
}

}  // namespace platform::host
