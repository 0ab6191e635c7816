#include "platform/win32/rawdisk/win32_rawdisk.h"

#include "platform/common/boot_disk.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

bool IsBootDisk(std::wstring_view device) {
  return CompareStringOrdinal(device.data(), static_cast<int>(device.size()), kBootDisk.data(),
                              static_cast<int>(kBootDisk.size()), TRUE) == CSTR_EQUAL;
}

class Win32RawDisk final : public RawDisk {
 public:
  explicit Win32RawDisk(UniqueHandle disk) : disk_(std::move(disk)) {}

  bool ReadSectors(std::uint32_t first, std::uint32_t count, std::span<std::uint8_t> buffer) override {
    const std::uint64_t length = std::uint64_t{count} * kSectorSize;
    if (buffer.size() < length) return false;
    std::uint64_t done = 0;
    while (done < length) {
      const std::uint64_t offset = std::uint64_t{first} * kSectorSize + done;
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD got = 0;
      const DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(length - done, 1 << 30));
      // A sector beyond the end of the disk is a rejected request, as on the device.
      if (!ReadFile(disk_.Get(), buffer.data() + done, wanted, &got, &at) || got == 0) return false;
      done += got;
    }
    return true;
  }

 private:
  UniqueHandle disk_;
};

}  // namespace

std::unique_ptr<RawDisk> Win32RawDiskService::Open(std::wstring_view device) {
  if (!IsBootDisk(device)) return nullptr;
  // Share mode 0: the device's disk driver allows one opener.
  UniqueHandle disk(CreateFileW(device_.File(L"disk.img").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!disk) return nullptr;
  return std::make_unique<Win32RawDisk>(std::move(disk));
}

}  // namespace platform::win32
