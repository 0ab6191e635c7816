// The manufacturer's boot logo, read from the raw disk and converted once per run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/init_ap.h"
#include "platform/common/oem_logo_layout.h"
#include "platform/graphics.h"

namespace initap {

inline constexpr std::size_t kOemLogoRgbBytes = 384000;      // room for the 288000 bytes of 240 x 400 x 3
inline constexpr std::size_t kOemLogoScratchBytes = 192512;  // 376 sectors
inline constexpr std::uint32_t kOemLogoImageSize = 288002;   // as the bitmap description states it

// Reads the logo sectors into `destination` (192000 bytes); true when they
// were read and copied. Uses no field of the record, only its platform.
[[nodiscard]] bool GetOEMLogoData(Init_AP& app, std::uint8_t* destination);

// Converts 16-bit 5-6-5 pixels (low byte first) to blue, green, red bytes
// with the low bits zero; nothing when a buffer is missing or `pixels` < 1.
void Rgb565ToRgb24(const std::uint8_t* source, std::uint8_t* destination, int pixels);

// Draws the logo at (0, 0), reading and converting it on the first call of
// the run; draws nothing while either logo buffer is missing.
void DrawOEMLogo(Init_AP& app, platform::BackBuffer& frame);

}  // namespace initap
