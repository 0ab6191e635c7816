// The volumes of the device, as its file system names them, and what they hold.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

inline constexpr std::wstring_view kDeviceVolumes[] = {L"sd card", L"Storage Card", L"FlashHd", L"System", L"Windows"};

// The device's volumes are FAT: a file's size is a 32-bit number.
inline constexpr std::uint64_t kLargestFile = 0xFFFFFFFFull;

// Whether `name`, a name in the root, is one of the volumes: a mount point,
// which stays when everything in it is removed.
bool IsVolumeName(std::wstring_view name);

}  // namespace platform
