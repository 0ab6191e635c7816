// The raw boot disk on the Windows API. Windows has no "DSK1:", and its
// DeviceIoControl does not read sectors of a file: "DSK1:" is DEVICE\disk.img,
// opened shared with nobody, and the sector read is done here.
#pragma once

#include <memory>
#include <string_view>

#include "platform/rawdisk.h"
#include "platform/win32/device_folder.h"

namespace platform::win32 {

class Win32RawDiskService final : public RawDiskService {
 public:
  explicit Win32RawDiskService(const DeviceFolder& device) : device_(device) {}

  // "DSK1:" (any letter case) only; null when disk.img is missing or somebody holds it.
  std::unique_ptr<RawDisk> Open(std::wstring_view device) override;

 private:
  DeviceFolder device_;
};

}  // namespace platform::win32
