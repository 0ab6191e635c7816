// Raw disk service: whole sectors of a block device such as "DSK1:".
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kSectorSize = 512;
inline constexpr std::uint32_t kIoctlDiskRead = 0x00042EF0;

// A disk opened exclusively; closed when destroyed.
class RawDisk {
 public:
  virtual ~RawDisk() = default;
  // The driver's sector read (control code kIoctlDiskRead): `count` sectors
  // from `first` into `buffer`; false when the driver rejects the request.
  [[nodiscard]] virtual bool ReadSectors(std::uint32_t first, std::uint32_t count, std::span<std::uint8_t> buffer) = 0;
};

class RawDiskService {
 public:
  virtual ~RawDiskService() = default;
  // Opens a device for reading and writing, shared with nobody; null when it
  // is missing or somebody else holds it.
  [[nodiscard]] virtual std::unique_ptr<RawDisk> Open(std::wstring_view device) = 0;
};

}  // namespace platform
