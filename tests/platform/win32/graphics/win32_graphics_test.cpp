#include "platform/win32/graphics/win32_graphics.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/common/screen_size.h"
#include "tests/support/device_tree.h"

namespace platform::win32 {
namespace {

using initap::test::DeviceTree;

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

  // Areas of one colour, right and bottom outside.
  struct Area {
    Rect area;
    ColorRef color;
  };
  const Area areas[] = {// The picture, and the column beside it.
                        {{1, 2, 2, 3}, 0x0000FF},
                        {{2, 2, 3, 3}, 0x00FF00},
                        {{1, 3, 2, 4}, 0xFF0000},
                        {{2, 3, 3, 4}, 0xFFFFFF},
                        {{3, 2, 4, 4}, 0},
                        // The fill, its right column and bottom row out, and the column before it.
                        {{10, 10, 20, 20}, kWhite},
                        {{20, 10, 21, 20}, 0},
                        {{10, 20, 20, 21}, 0},
                        {{9, 10, 10, 20}, 0},
                        // The 3-pixel pen straddles the outline: rows 79-81 and 108-110, columns 9-11 and 228-230 ...
                        {{10, 79, 230, 80}, kRed},
                        {{9, 80, 231, 82}, kRed},
                        {{9, 108, 231, 110}, kRed},
                        {{10, 110, 230, 111}, kRed},
                        {{9, 82, 12, 108}, kRed},
                        {{228, 82, 231, 108}, kRed},
                        {{12, 82, 228, 108}, 0},
                        {{9, 111, 231, 112}, 0},
                        {{231, 79, 232, 111}, 0},
                        // ... but leaves the four outer corners alone.
                        {{9, 79, 10, 80}, 0},
                        {{230, 79, 231, 80}, 0},
                        {{9, 110, 10, 111}, 0},
                        {{230, 110, 231, 111}, 0}};
  for (const Area& a : areas) {
    for (int y = a.area.top; y < a.area.bottom; ++y) {
      for (int x = a.area.left; x < a.area.right; ++x) EXPECT_EQ(At(pixels, x, y), a.color) << x << "," << y;
    }
  }
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
}  // namespace platform::win32
