// Where and how the manufacturer's logo lies on the raw boot disk: a picture
// that fills the screen, in a fixed run of sectors.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/common/screen_size.h"
#include "platform/rawdisk.h"

namespace platform {

inline constexpr int kOemLogoWidth = kScreenWidth;
inline constexpr int kOemLogoHeight = kScreenHeight;
inline constexpr std::uint32_t kOemLogoFirstSector = 520;
inline constexpr std::uint32_t kOemLogoSectors = 375;                                          // 520 to 894
inline constexpr std::size_t kOemLogoOffset = std::size_t{kOemLogoFirstSector} * kSectorSize;  // 266240
// 5-6-5 pixels, low byte first, top row first, 480 bytes a row.
inline constexpr std::size_t kOemLogoRawBytes = 192000;

}  // namespace platform
