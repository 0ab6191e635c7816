#include "platform/win32/graphics/win32_graphics.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/common/screen_size.h"
#include "tests/support/device_tree.h"

namespace initap::test {
namespace {

using platform::ColorRef;
using platform::kScreenHeight;
using platform::kScreenWidth;
using platform::Rect;
using platform::win32::DeviceAt;
using platform::win32::GdiBackBuffer;
using platform::win32::Win32FileSystem;
using platform::win32::Win32Graphics;

constexpr ColorRef kRed = 0x0000FF;
constexpr ColorRef kWhite = 0xFFFFFF;

ColorRef At(const std::vector<ColorRef>& pixels, int x, int y) {
  return pixels[static_cast<std::size_t>(y) * kScreenWidth + x];
}

// A 24-bit bitmap file of 2x2 pixels, bottom row first as such files keep it.
std::string TinyBmp() {
  std::string file = "BM";
  const auto put = [&file](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file += static_cast<char>(value >> (8 * i));
  };
  put(14 + 40 + 16, 4), put(0, 4), put(14 + 40, 4);
  put(40, 4), put(2, 4), put(2, 4), put(1, 2), put(24, 2), put(0, 4), put(16, 4), put(0, 4), put(0, 4), put(0, 4),
      put(0, 4);
  file += std::string(16, '\x7f');
  return file;
}

TEST(Win32GraphicsTest, GdiDrawsTheFrameAndTheScreenKeepsWhatWasPresented) {
  auto frame = GdiBackBuffer::Create(kScreenWidth, kScreenHeight);
  ASSERT_TRUE(frame);
  const std::uint8_t logo[] = {0,   0, 255, 0,   255, 0,   0, 0,   // red, green, padding
                               255, 0, 0,   255, 255, 255, 0, 0};  // blue, white
  frame->SetBits24(1, 2, 2, 2, logo);
  frame->FillRect(Rect{10, 10, 20, 20}, kWhite);
  frame->FrameRect(Rect{10, 80, 230, 110}, 3, kRed);
  frame->DrawText(Rect{10, 200, 230, 230}, L"update.xml", kWhite);
  const std::vector<ColorRef> pixels = frame->Pixels();

  struct Case {
    int x, y;
    ColorRef color;
  };
  const Case cases[] = {
      {1, 2, 0x0000FF},
      {2, 2, 0x00FF00},
      {1, 3, 0xFF0000},
      {2, 3, 0xFFFFFF},
      {3, 2, 0},  // the picture
      {10, 10, kWhite},
      {19, 19, kWhite},
      {20, 19, 0},
      {19, 20, 0},
      {9, 10, 0},  // fill: right, bottom out
      // The 3-pixel pen straddles the outline: rows 79-81 and 108-110, columns 9-11 and 228-230 ...
      {100, 79, kRed},
      {100, 81, kRed},
      {100, 82, 0},
      {100, 108, kRed},
      {100, 110, kRed},
      {100, 111, 0},
      {9, 95, kRed},
      {11, 95, kRed},
      {12, 95, 0},
      {228, 95, kRed},
      {230, 95, kRed},
      {231, 95, 0},
      // ... but leaves the four outer corners alone.
      {9, 79, 0},
      {230, 79, 0},
      {9, 110, 0},
      {230, 110, 0},
      {10, 79, kRed},
      {9, 80, kRed},
  };
  for (const Case& c : cases) EXPECT_EQ(At(pixels, c.x, c.y), c.color) << c.x << "," << c.y;
  // Text lands inside its box and nowhere else.
  int inside = 0, outside = 0;
  for (int y = 190; y < 240; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      if (At(pixels, x, y) != kWhite) continue;
      (x >= 10 && x < 230 && y >= 200 && y < 230 ? inside : outside) += 1;
    }
  }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);

  DeviceTree device;
  std::string error;
  auto files = Win32FileSystem::Open(DeviceAt(device.Folder().wstring()), error);
  ASSERT_TRUE(files) << error;
  Win32Graphics graphics(*files);
  ASSERT_TRUE(graphics.Screen());
  EXPECT_EQ(graphics.Screen()->Pixels(), std::vector<ColorRef>(240 * 400, 0));
  graphics.Present(*frame);  // no window on this thread: the screen alone
  EXPECT_EQ(graphics.Screen()->Pixels(), pixels);
}

TEST(Win32GraphicsTest, BitmapFilesLoadFromDevicePaths) {
  DeviceTree device;
  device.WriteFile("Windows/logo.bmp", TinyBmp());
  device.WriteFile("Windows/broken.bmp", "BM not a bitmap");
  std::string error;
  auto files = Win32FileSystem::Open(DeviceAt(device.Folder().wstring()), error);
  ASSERT_TRUE(files) << error;
  Win32Graphics graphics(*files);
  EXPECT_TRUE(graphics.LoadBitmapFile(L"\\WINDOWS\\Logo.bmp"));
  EXPECT_FALSE(graphics.LoadBitmapFile(L"\\Windows\\broken.bmp"));
  EXPECT_FALSE(graphics.LoadBitmapFile(L"\\Windows\\missing.bmp"));
  EXPECT_FALSE(graphics.LoadBitmapFile(L"C:\\windows\\logo.bmp"));
}

}  // namespace
}  // namespace initap::test
