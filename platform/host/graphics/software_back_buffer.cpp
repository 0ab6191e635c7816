#include "platform/host/graphics/software_back_buffer.h"

#include <algorithm>
#include <cstring>

namespace platform::host {

namespace {

// A colour reference's bytes in the screen's order.
struct Bgr {
  std::uint8_t b, g, r;
};

Bgr FromColorRef(ColorRef color) {
  return {static_cast<std::uint8_t>((color >> 16) & 0xFF), static_cast<std::uint8_t>((color >> 8) & 0xFF),
          static_cast<std::uint8_t>(color & 0xFF)};
}

// Rounded (source * alpha + destination * (255 - alpha)) / 255.
std::uint8_t Blend(std::uint8_t destination, std::uint8_t source, unsigned alpha) {
  const unsigned mixed = source * alpha + destination * (255 - alpha) + 128;
  return static_cast<std::uint8_t>((mixed + (mixed >> 8)) >> 8);
}

}  // namespace

SoftwareBackBuffer::SoftwareBackBuffer(int width, int height, Font* font)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      font_(font),
      pixels_(std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(width_) * height_ * 3)) {}

const std::uint8_t* SoftwareBackBuffer::Pixels() const {
  if (blank_) Clear();
  return pixels_.get();
}

void SoftwareBackBuffer::Clear() const {
  std::memset(pixels_.get(), 0, static_cast<std::size_t>(width_) * height_ * 3);
  blank_ = false;
}

void SoftwareBackBuffer::SetBits24(int x, int y, int width, int height, const std::uint8_t* pixels) {
  if (!pixels || width <= 0 || height <= 0) return;
  // Rows of a device-independent bitmap are padded to four bytes.
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  const std::int64_t left = std::max<std::int64_t>(x, 0);
  const std::int64_t top = std::max<std::int64_t>(y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + width, width_);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + height, height_);
  if (left >= right || top >= bottom) return;
  if (blank_) {
    if (left == 0 && top == 0 && right == width_ && bottom == height_) {
      blank_ = false;
    } else {
      Clear();
    }
  }
  // The picture's pixel order is the frame's: rows copy as they are.
  const std::size_t rowBytes = static_cast<std::size_t>(right - left) * 3;
  const std::uint8_t* source = pixels + static_cast<std::size_t>(top - y) * stride + (left - x) * 3;
  std::uint8_t* destination = pixels_.get() + (static_cast<std::size_t>(top) * width_ + left) * 3;
  const std::size_t frameStride = static_cast<std::size_t>(width_) * 3;
  if (rowBytes == frameStride && stride == frameStride) {
    std::memcpy(destination, source, rowBytes * (bottom - top));
    return;
  }
  for (std::int64_t row = top; row < bottom; ++row, source += stride, destination += frameStride) {
    std::memcpy(destination, source, rowBytes);
  }
}

void SoftwareBackBuffer::Fill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                              ColorRef color) {
  left = std::max<std::int64_t>(left, 0);
  top = std::max<std::int64_t>(top, 0);
  right = std::min<std::int64_t>(right, width_);
  bottom = std::min<std::int64_t>(bottom, height_);
  if (left >= right || top >= bottom) return;
  if (blank_) Clear();
  const Bgr bgr = FromColorRef(color);
  const std::size_t rowBytes = static_cast<std::size_t>(right - left) * 3;
  std::uint8_t* first = pixels_.get() + (static_cast<std::size_t>(top) * width_ + left) * 3;
  for (std::size_t i = 0; i < rowBytes; i += 3) {
    first[i] = bgr.b;
    first[i + 1] = bgr.g;
    first[i + 2] = bgr.r;
  }
  for (std::int64_t row = top + 1; row < bottom; ++row) {
    std::memcpy(first + static_cast<std::size_t>(row - top) * width_ * 3, first, rowBytes);
  }
}

void SoftwareBackBuffer::FillRect(const Rect& box, ColorRef color) {
  Fill(box.left, box.top, box.right, box.bottom, color);
}

void SoftwareBackBuffer::FrameRect(const Rect& box, int penWidth, ColorRef color) {
  // The pen is centred on the outline through (left, top) and (right - 1, bottom - 1).
  const int pen = std::max(penWidth, 1);
  const std::int64_t before = (pen - 1) / 2;
  const std::int64_t after = pen / 2 + 1;
  const std::int64_t left = box.left, top = box.top;
  const std::int64_t right = std::int64_t{box.right} - 1, bottom = std::int64_t{box.bottom} - 1;
  // A wide pen's joins are round, as GDI draws them: they leave the four
  // outermost corner pixels alone.
  const std::int64_t corner = pen >= 3 ? 1 : 0;
  const std::int64_t outerLeft = left - before, outerTop = top - before;
  const std::int64_t outerRight = right + after, outerBottom = bottom + after;
  Fill(outerLeft + corner, outerTop, outerRight - corner, outerTop + 1, color);
  Fill(outerLeft, outerTop + 1, outerRight, top + after, color);
  Fill(outerLeft, bottom - before, outerRight, outerBottom - 1, color);
  Fill(outerLeft + corner, outerBottom - 1, outerRight - corner, outerBottom, color);
  Fill(outerLeft, outerTop + 1, left + after, outerBottom - 1, color);
  Fill(right - before, outerTop + 1, outerRight, outerBottom - 1, color);
}

void SoftwareBackBuffer::DrawText(const Rect& box, std::wstring_view text, ColorRef color) {
  if (!font_ || text.empty()) return;
  const std::int64_t clipLeft = std::max<std::int64_t>(box.left, 0);
  const std::int64_t clipTop = std::max<std::int64_t>(box.top, 0);
  const std::int64_t clipRight = std::min<std::int64_t>(box.right, width_);
  const std::int64_t clipBottom = std::min<std::int64_t>(box.bottom, height_);
  if (clipLeft >= clipRight || clipTop >= clipBottom) return;
  if (blank_) Clear();
  const Bgr bgr = FromColorRef(color);
  // Both halves truncate, as the device centres a line.
  const std::int64_t lineTop = box.top + (std::int64_t{box.bottom} - box.top) / 2 - font_->LineHeight() / 2;
  const std::int64_t baseline = lineTop + font_->Ascent();
  std::int64_t pen = box.left;
  for (const wchar_t character : text) {
    if (pen >= clipRight) break;
    const Glyph& glyph = font_->GetGlyph(static_cast<char32_t>(character));
    const std::int64_t glyphLeft = pen + glyph.left;
    const std::int64_t glyphTop = baseline - glyph.top;
    const std::int64_t fromX = std::max(glyphLeft, clipLeft), toX = std::min(glyphLeft + glyph.width, clipRight);
    const std::int64_t fromY = std::max(glyphTop, clipTop), toY = std::min(glyphTop + glyph.height, clipBottom);
    for (std::int64_t y = fromY; y < toY; ++y) {
      const std::uint8_t* coverage = glyph.coverage.data() + (y - glyphTop) * glyph.width;
      std::uint8_t* pixel = pixels_.get() + (static_cast<std::size_t>(y) * width_ + fromX) * 3;
      for (std::int64_t x = fromX; x < toX; ++x, pixel += 3) {
        const unsigned alpha = coverage[x - glyphLeft];
        if (alpha == 0) continue;
        if (alpha == 255) {
          pixel[0] = bgr.b;
          pixel[1] = bgr.g;
          pixel[2] = bgr.r;
        } else {
          pixel[0] = Blend(pixel[0], bgr.b, alpha);
          pixel[1] = Blend(pixel[1], bgr.g, alpha);
          pixel[2] = Blend(pixel[2], bgr.r, alpha);
        }
      }
    }
    pen += glyph.advance;
  }
}

}  // namespace platform::host
