// Bitmap files (.bmp) decoded into memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/graphics.h"

namespace platform::host {

// A decoded bitmap: 3 bytes a pixel (red, green, blue), top row first.
class HostBitmap final : public Bitmap {
 public:
  HostBitmap(int width, int height, std::vector<std::uint8_t> rgb)
      : width_(width), height_(height), rgb_(std::move(rgb)) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::vector<std::uint8_t>& Rgb() const { return rgb_; }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> rgb_;
};

// Decodes an uncompressed or bit-field bitmap file of 1, 4, 8, 16, 24 or 32
// bits a pixel, bottom-up or top-down; null for anything else or a damaged file.
std::unique_ptr<HostBitmap> DecodeBmp(std::string_view file);

}  // namespace platform::host
