// A frame composed in memory, 3 bytes a pixel (blue, green, red) as on the
// screen, top row first.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/graphics.h"
#include "platform/host/graphics/font.h"

namespace platform::host {

class SoftwareBackBuffer final : public BackBuffer {
 public:
  // A black frame; text is drawn in `font`, or not at all without one.
  SoftwareBackBuffer(int width, int height, Font* font);

  void SetBits24(int x, int y, int width, int height, const std::uint8_t* pixels) override;
  void DrawText(const Rect& box, std::wstring_view text, ColorRef color) override;
  void FrameRect(const Rect& box, int penWidth, ColorRef color) override;
  void FillRect(const Rect& box, ColorRef color) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // width * height * 3 bytes.
  const std::uint8_t* Pixels() const;

 private:
  // Fills the part of [left, right) x [top, bottom) that lies on the frame.
  void Fill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, ColorRef color);
  void Clear() const;

  int width_;
  int height_;
  Font* font_;
  std::unique_ptr<std::uint8_t[]> pixels_;
  // Cleared on first use: a frame that starts with a full-size picture is never cleared.
  mutable bool blank_ = true;
};

}  // namespace platform::host
