#include "platform/win32/graphics/gdi_back_buffer.h"

#include <string>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

HDC AsDc(void* dc) { return static_cast<HDC>(dc); }

BITMAPINFO TopDown24(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

std::unique_ptr<GdiBackBuffer> GdiBackBuffer::Create(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info = TopDown24(width, height);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (dc == nullptr || bitmap == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (dc != nullptr) DeleteDC(dc);
    return nullptr;
  }
  HGDIOBJ previous = SelectObject(dc, bitmap);  // a new DIB section is black
  return std::unique_ptr<GdiBackBuffer>(
      new GdiBackBuffer(width, height, dc, bitmap, previous, static_cast<const std::uint8_t*>(bits)));
}

GdiBackBuffer::~GdiBackBuffer() {
  SelectObject(AsDc(dc_), static_cast<HGDIOBJ>(previous_));
  DeleteObject(static_cast<HGDIOBJ>(bitmap_));
  DeleteDC(AsDc(dc_));
}

void GdiBackBuffer::SetBits24(int x, int y, int width, int height, const std::uint8_t* pixels) {
  const BITMAPINFO info = TopDown24(width, height);
  SetDIBitsToDevice(AsDc(dc_), x, y, width, height, 0, 0, 0, height, pixels, &info, DIB_RGB_COLORS);
}

void GdiBackBuffer::DrawText(const Rect& box, std::wstring_view text, ColorRef color) {
  RECT area{box.left, box.top, box.right, box.bottom};
  SetTextColor(AsDc(dc_), color);
  SetBkMode(AsDc(dc_), TRANSPARENT);
  const std::wstring line(text);
  // In the DC's default font.
  DrawTextW(AsDc(dc_), line.c_str(), static_cast<int>(line.size()), &area,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void GdiBackBuffer::FrameRect(const Rect& box, int penWidth, ColorRef color) {
  HPEN pen = CreatePen(PS_SOLID, penWidth, color);
  HGDIOBJ oldPen = SelectObject(AsDc(dc_), pen);
  HGDIOBJ oldBrush = SelectObject(AsDc(dc_), GetStockObject(HOLLOW_BRUSH));
  Rectangle(AsDc(dc_), box.left, box.top, box.right, box.bottom);
  SelectObject(AsDc(dc_), oldBrush);
  SelectObject(AsDc(dc_), oldPen);
  DeleteObject(pen);
}

void GdiBackBuffer::FillRect(const Rect& box, ColorRef color) {
  RECT area{box.left, box.top, box.right, box.bottom};
  HBRUSH brush = CreateSolidBrush(color);
  ::FillRect(AsDc(dc_), &area, brush);
  DeleteObject(brush);
}

std::vector<ColorRef> GdiBackBuffer::Pixels() const {
  GdiFlush();
  const int stride = (width_ * 3 + 3) / 4 * 4;
  std::vector<ColorRef> pixels;
  pixels.reserve(static_cast<std::size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* row = bits_ + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width_; ++x) pixels.push_back(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
  }
  return pixels;
}

}  // namespace platform::win32
