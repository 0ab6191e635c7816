#include "platform/win32/win32_platform.h"

#include "platform/common/screen_size.h"
#include "platform/common/update_log_path.h"
#include "platform/win32/codepage/win32_codepage.h"
#include "platform/win32/files/win32_files.h"
#include "platform/win32/gps/win32_gps.h"
#include "platform/win32/graphics/win32_graphics.h"
#include "platform/win32/kernel/win32_kernel.h"
#include "platform/win32/rawdisk/win32_rawdisk.h"
#include "platform/win32/registry/win32_registry.h"
#include "platform/win32/shell/win32_shell.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/xml/win32_xml.h"

namespace platform::win32 {

std::unique_ptr<Win32Platform> Win32Platform::Create(const DeviceFolder& device,
                                                     std::function<void(std::string_view)> echo, WindowOptions windows,
                                                     std::string& error) {
  std::unique_ptr<Win32Platform> platform(new Win32Platform);
  platform->files_ = Win32FileSystem::Open(device, error);
  if (!platform->files_) return nullptr;
  platform->codePage_ = Win32CodePage::Open(device, error);
  if (!platform->codePage_) return nullptr;
  platform->kernel_ = std::make_unique<Win32Kernel>(device);
  platform->registry_ = std::make_unique<Win32Registry>();
  platform->xml_ = std::make_unique<Win32Xml>(*platform->files_);
  platform->graphics_ = std::make_unique<Win32Graphics>(*platform->files_);
  Win32Kernel& kernel = *platform->kernel_;
  windows.liveThreads = [&kernel] { return kernel.LiveThreads(); };
  platform->windows_ = std::make_unique<Win32WindowSystem>(kScreenWidth, kScreenHeight, std::move(windows));
  std::vector<VolumeSize> sizes;
  if (!ReadVolumeSizes(device, sizes, error)) return nullptr;
  platform->sizedFiles_ = std::make_unique<platform::SizedVolumes>(*platform->files_, sizes);
  platform->observedFiles_ = std::make_unique<platform::ObservedFileSystem>(*platform->sizedFiles_);
  if (echo) {
    platform->logEcho_ = std::make_unique<platform::AppendEcho>(kUpdateLogPath, [echo](std::wstring_view text) {
      if (!text.empty() && text.back() == L'\n') text.remove_suffix(1);
      echo(ToUtf8(text));
    });
    platform->observedFiles_->AddListener(*platform->logEcho_);
  }
  platform->shell_ = std::make_unique<Win32Shell>(device, *platform->files_, *platform->kernel_, std::move(echo));
  platform->gps_ = std::make_unique<Win32Gps>(device, *platform->kernel_);
  platform->disks_ = std::make_unique<Win32RawDiskService>(device);
  platform->services_.reset(new platform::Platform{
      *platform->kernel_, *platform->observedFiles_, *platform->windows_, *platform->graphics_, *platform->xml_,
      *platform->shell_, *platform->gps_, *platform->disks_, *platform->registry_, *platform->codePage_});
  return platform;
}

Win32Platform::~Win32Platform() = default;

}  // namespace platform::win32
