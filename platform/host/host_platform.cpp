#include "platform/host/host_platform.h"

#include "platform/common/update_log_path.h"
#include "platform/host/codepage/host_codepage.h"
#include "platform/host/files/host_files.h"
#include "platform/host/gps/host_gps.h"
#include "platform/host/graphics/display_options.h"
#include "platform/host/graphics/host_graphics.h"
#include "platform/host/kernel/host_kernel.h"
#include "platform/host/rawdisk/host_rawdisk.h"
#include "platform/host/registry/host_registry.h"
#include "platform/host/report/card_watch.h"
#include "platform/host/report/change_recorder.h"
#include "platform/host/shell/host_shell.h"
#include "platform/host/utf8.h"
#include "platform/host/window/host_window_system.h"
#include "platform/host/xml/host_xml.h"
#include "platform/host/xml/observed_xml.h"

namespace platform::host {

std::unique_ptr<HostPlatform> HostPlatform::Create(const CommandLine& line, HostConsole console, std::string& error) {
  std::unique_ptr<HostPlatform> host(new HostPlatform);
  const DeviceFolder& device = line.device;
  if (!RefuseLinks(device, error)) return nullptr;
  host->deviceFiles_ = OpenHostFiles(device, error);
  if (!host->deviceFiles_) return nullptr;
  host->codePage_ = HostCodePage::Open(device, error);
  if (!host->codePage_) return nullptr;
  host->display_ = MakeDisplayDriver(DisplayOptions{line.window, line.screenshot, line.frames, line.animation}, error);
  if (!host->display_) return nullptr;

  // The backends. Those that read device files (descriptions, bitmaps) read
  // them through the observed file system, so that those reads are told as
  // the system's own; the shell reaches the host files behind device paths.
  HostKernel& kernel = *(host->hostKernel_ = std::make_unique<HostKernel>(device));
  std::vector<VolumeSize> sizes;
  if (!ReadVolumeSizes(device, sizes, error)) return nullptr;
  HostPlatform* const raw = host.get();
  host->sizedFiles_ = std::make_unique<SizedVolumes>(
      *host->deviceFiles_, sizes, [raw](std::wstring_view volume, std::wstring_view path, std::uint64_t more) {
        raw->watch_->DoesNotFit(volume, path, more);
      });
  host->files_ = std::make_unique<ObservedFileSystem>(*host->sizedFiles_);
  host->kernel_ = std::make_unique<ObservedKernel>(kernel);
  auto registry = std::make_unique<HostRegistry>(device);
  if (const std::string problem = registry->Problem(); !problem.empty()) {
    kernel.DebugOutput(FromUtf8(problem + "; the registry is not written back"));
  }
  host->registry_ = std::move(registry);
  host->hostXml_ = std::make_unique<HostXml>(*host->files_);
  host->xml_ = std::make_unique<ObservedXml>(*host->hostXml_);
  host->graphics_ = std::make_unique<HostGraphics>(*host->files_, *host->display_);
  host->windows_ =
      std::make_unique<HostWindowSystem>(kernel, *host->display_, WindowOptions{line.closeAfter, console.notice});
  host->hostShell_ = std::make_unique<HostShell>(device, *host->deviceFiles_, kernel, console.line);
  host->shell_ = std::make_unique<ObservedShell>(*host->hostShell_);
  host->gps_ = std::make_unique<HostGps>(device, kernel);
  host->disks_ = std::make_unique<HostRawDiskService>(device);

  // The listeners, in the order each layer tells them. The change recorder
  // comes first: it looks up what a path held before a call, and looks below
  // the observed file system so that its lookups reach no one. The card watch
  // then weighs the call against the step in work. The log's echo last, so
  // that a line reaches the console once the report has counted it.
  host->warnings_ = std::make_unique<Warnings>(console.notice);
  host->changes_ = std::make_unique<ChangeReport>();
  host->recorder_ =
      std::make_unique<ChangeRecorder>(*host->deviceFiles_, *host->changes_, [&kernel] { return kernel.UtcNow(); });
  host->watch_ =
      std::make_unique<CardWatch>(*host->deviceFiles_, *host->recorder_, *host->codePage_, *host->warnings_,
                                  *host->changes_, [&kernel](std::wstring_view text) { kernel.DebugOutput(text); });
  host->files_->AddListener(*host->recorder_);
  host->files_->AddListener(*host->watch_);
  host->deviceFiles_->TellHidden(*host->watch_);
  if (console.line) {
    host->logEcho_ = std::make_unique<AppendEcho>(kUpdateLogPath, [print = console.line](std::wstring_view text) {
      if (!text.empty() && text.back() == L'\n') text.remove_suffix(1);
      print(ToUtf8(text));
    });
    host->files_->AddListener(*host->logEcho_);
  }
  host->kernel_->AddListener(*host->recorder_);
  host->shell_->AddListener(*host->watch_);
  host->shell_->AddListener(*host->recorder_);
  host->xml_->AddListener(*host->recorder_);
  host->xml_->AddListener(*host->watch_);

  host->services_.reset(new platform::Platform{*host->kernel_, *host->files_, *host->windows_, *host->graphics_,
                                               *host->xml_, *host->shell_, *host->gps_, *host->disks_, *host->registry_,
                                               *host->codePage_});
  return host;
}

HostPlatform::~HostPlatform() = default;

platform::FileSystem& HostPlatform::DeviceFiles() { return *deviceFiles_; }

void HostPlatform::Finish() {
  changes_->SetVolumes(sizedFiles_->Fills());
  watch_->Finish();
  display_->Finish(graphics_->Screen());
}

}  // namespace platform::host
