// Where and how the manufacturer's logo lies on the raw boot disk "DSK1:".
#pragma once

#include <cstddef>
#include <cstdint>

namespace initap {

inline constexpr int kOemLogoWidth = 240;
inline constexpr int kOemLogoHeight = 400;
inline constexpr std::uint32_t kOemLogoFirstSector = 520;
inline constexpr std::uint32_t kOemLogoSectors = 375;  // 520 to 894
inline constexpr std::uint32_t kOemLogoSectorSize = 512;
inline constexpr std::size_t kOemLogoOffset = std::size_t{kOemLogoFirstSector} * kOemLogoSectorSize;  // 266240
// 5-6-5 pixels, low byte first, top row first, 480 bytes a row.
inline constexpr std::size_t kOemLogoRawBytes = 192000;

}  // namespace initap
