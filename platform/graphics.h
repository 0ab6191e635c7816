// Graphics service: a back buffer the size of the screen, the few drawing
// operations a frame needs, and one copy of a finished frame to the screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace platform {

// Left, top, right, bottom in screen pixels; right and bottom lie outside.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// 0x00BBGGRR: red in the low byte.
using ColorRef = std::uint32_t;

// An off-screen frame; every drawing operation clips to it.
class BackBuffer {
 public:
  virtual ~BackBuffer() = default;
  // Copies a top-down 24-bit picture (blue, green, red per pixel, rows padded
  // to four bytes as in a device-independent bitmap) to (x, y).
  virtual void SetBits24(int x, int y, int width, int height, const std::uint8_t* pixels) = 0;
  // One line, left-aligned, vertically centred, clipped to `box`, in the default font.
  virtual void DrawText(const Rect& box, std::wstring_view text, ColorRef color) = 0;
  // The outline of `box` with a square pen `penWidth` pixels wide; the inside is left alone.
  virtual void FrameRect(const Rect& box, int penWidth, ColorRef color) = 0;
  // Fills `box`: its left and top edges included, its right and bottom edges not.
  virtual void FillRect(const Rect& box, ColorRef color) = 0;
};

// A bitmap file loaded into memory; released when destroyed.
class Bitmap {
 public:
  virtual ~Bitmap() = default;
};

class Graphics {
 public:
  virtual ~Graphics() = default;
  [[nodiscard]] virtual int ScreenWidth() = 0;
  [[nodiscard]] virtual int ScreenHeight() = 0;
  // A black frame of the given size; null when it cannot be made.
  [[nodiscard]] virtual std::unique_ptr<BackBuffer> CreateBackBuffer(int width, int height) = 0;
  // Copies a finished frame to the screen at (0, 0).
  virtual void Present(const BackBuffer& frame) = 0;
  // Loads a bitmap file from a device path; null when missing or unreadable.
  [[nodiscard]] virtual std::unique_ptr<Bitmap> LoadBitmapFile(std::wstring_view path) = 0;
};

}  // namespace platform
