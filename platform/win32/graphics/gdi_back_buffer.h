// A frame drawn by GDI: a 24-bit bitmap selected into a memory DC.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics.h"

namespace platform::win32 {

class GdiBackBuffer final : public BackBuffer {
 public:
  // A black frame; null when GDI cannot make one.
  static std::unique_ptr<GdiBackBuffer> Create(int width, int height);
  ~GdiBackBuffer() override;
  GdiBackBuffer(const GdiBackBuffer&) = delete;
  GdiBackBuffer& operator=(const GdiBackBuffer&) = delete;

  void SetBits24(int x, int y, int width, int height, const std::uint8_t* pixels) override;
  void DrawText(const Rect& box, std::wstring_view text, ColorRef color) override;
  void FrameRect(const Rect& box, int penWidth, ColorRef color) override;
  void FillRect(const Rect& box, ColorRef color) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The memory DC (an HDC), for copying the frame.
  void* Dc() const { return dc_; }
  // The frame's pixels, row by row from the top, as 0x00BBGGRR.
  std::vector<ColorRef> Pixels() const;

 private:
  GdiBackBuffer(int width, int height, void* dc, void* bitmap, void* previous, const std::uint8_t* bits)
      : width_(width), height_(height), dc_(dc), bitmap_(bitmap), previous_(previous), bits_(bits) {}

  int width_;
  int height_;
  void* dc_;
  void* bitmap_;
  void* previous_;
  const std::uint8_t* bits_;  // the bitmap's own rows, top-down
};

}  // namespace platform::win32
