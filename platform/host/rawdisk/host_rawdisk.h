// The raw boot disk of a device folder: "DSK1:" is DEVICE/disk.img, held
// exclusively while open, as the device's disk driver allows one opener.
#pragma once

#include <memory>
#include <string_view>

#include "platform/host/device_folder.h"
#include "platform/rawdisk.h"

namespace platform::host {

class HostRawDiskService final : public RawDiskService {
 public:
  explicit HostRawDiskService(const DeviceFolder& device);

  // "DSK1:" (any letter case) only; null when disk.img is missing, not
  // writable, or held by another opener in this or another process.
  std::unique_ptr<RawDisk> Open(std::wstring_view device) override;

 private:
  DeviceFolder device_;
};

}  // namespace platform::host
