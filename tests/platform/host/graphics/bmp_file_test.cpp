#include "platform/host/graphics/bmp_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/host/graphics/headless_display.h"
#include "platform/host/graphics/host_graphics.h"
#include "tests/support/memory_files.h"

namespace {

using platform::host::DecodeBmp;
using platform::host::HostBitmap;

void Put16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

struct BmpLayout {
  int width = 0;
  int height = 0;  // negative: top-down
  unsigned bits = 24;
  std::uint32_t compression = 0;
  std::vector<std::uint32_t> palette = {};  // 0x00RRGGBB entries
  std::vector<std::uint32_t> masks = {};    // after the 40-byte header
  std::vector<std::string> rows = {};       // as stored, padding included
};

std::string MakeBmp(const BmpLayout& layout) {
  std::string header;
  Put32(header, 40);
  Put32(header, static_cast<std::uint32_t>(layout.width));
  Put32(header, static_cast<std::uint32_t>(layout.height));
  Put16(header, 1);
  Put16(header, layout.bits);
  Put32(header, layout.compression);
  Put32(header, 0);
  Put32(header, 2835);
  Put32(header, 2835);
  Put32(header, static_cast<std::uint32_t>(layout.palette.size()));
  Put32(header, 0);
  for (std::uint32_t mask : layout.masks) Put32(header, mask);
  for (std::uint32_t entry : layout.palette) Put32(header, entry);
  std::string pixels;
  for (const std::string& row : layout.rows) pixels += row;
  std::string file = "BM";
  Put32(file, static_cast<std::uint32_t>(14 + header.size() + pixels.size()));
  Put32(file, 0);
  Put32(file, static_cast<std::uint32_t>(14 + header.size()));
  return file + header + pixels;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

std::vector<std::uint8_t> Rgb(std::initializer_list<int> values) {
  return std::vector<std::uint8_t>(values.begin(), values.end());
}

TEST(BmpFileTest, EachLayoutDecodesToItsPixels) {
  // A file's layout and the pixels it decodes to, red, green, blue from the top left.
  const struct {
    const char* name;
    BmpLayout layout;
    std::vector<std::uint8_t> rgb;
  } layouts[] = {// 2x2, rows of 6 bytes padded to 8; the last row of the file is the top one.
                 {"TwentyFourBitBottomUpWithPaddedRows",
                  {.width = 2,
                   .height = 2,
                   .bits = 24,
                   .rows = {Bytes({0, 0, 255, 0, 255, 0, 0, 0}),     // bottom: red, green
                            Bytes({255, 0, 0, 10, 20, 30, 0, 0})}},  // top: blue, (30, 20, 10)
                  Rgb({0, 0, 255, 30, 20, 10, 255, 0, 0, 0, 255, 0})},
                 {"ThirtyTwoBitTopDown",
                  {.width = 1, .height = -2, .bits = 32, .rows = {Bytes({1, 2, 3, 0xFF}), Bytes({4, 5, 6, 0})}},
                  Rgb({3, 2, 1, 6, 5, 4})},
                 {"EightBitPalette",
                  {.width = 3, .height = 1, .bits = 8, .palette = {0x102030, 0xFF8000}, .rows = {Bytes({1, 0, 1, 0})}},
                  Rgb({0xFF, 0x80, 0, 0x10, 0x20, 0x30, 0xFF, 0x80, 0})},
                 {"IndexPastThePaletteIsBlack",
                  {.width = 2, .height = 1, .bits = 8, .palette = {0xFFFFFF}, .rows = {Bytes({0, 7, 0, 0})}},
                  Rgb({255, 255, 255, 0, 0, 0})},
                 {"FourBitPaletteTakesTheHighBitsFirst",
                  {.width = 3,
                   .height = 1,
                   .bits = 4,
                   .palette = {0x0000FF, 0x00FF00, 0xFF0000},
                   .rows = {Bytes({0x21, 0x00, 0, 0})}},
                  Rgb({255, 0, 0, 0, 255, 0, 0, 0, 255})},
                 // Uncompressed 16-bit pixels are 5-5-5.
                 {"SixteenBitFiveFiveFive",
                  {.width = 2, .height = 1, .bits = 16, .rows = {Bytes({0x00, 0x7C, 0x1F, 0x00})}},
                  Rgb({255, 0, 0, 0, 0, 255})},
                 {"SixteenBitBitFields",
                  {.width = 2,
                   .height = 1,
                   .bits = 16,
                   .compression = 3,
                   .masks = {0xF800, 0x07E0, 0x001F},
                   .rows = {Bytes({0xE0, 0x07, 0x10, 0x00})}},
                  Rgb({0, 255, 0, 0, 0, 132})}};
  for (const auto& c : layouts) {
    SCOPED_TRACE(c.name);
    auto bitmap = DecodeBmp(MakeBmp(c.layout));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Width(), c.layout.width);
    EXPECT_EQ(bitmap->Height(), std::abs(c.layout.height));
    EXPECT_EQ(bitmap->Rgb(), c.rgb);
  }
}

TEST(BmpFileTest, OneBitPaletteTakesTheHighBitsFirst) {
  const std::string mono = MakeBmp({.width = 10,
                                    .height = 1,
                                    .bits = 1,
                                    .palette = {0x000000, 0xFFFFFF},
                                    .rows = {Bytes({0b10100000, 0b01000000, 0, 0})}});
  auto one = DecodeBmp(mono);
  ASSERT_TRUE(one);
  std::string pattern;
  for (int x = 0; x < 10; ++x) pattern += one->Rgb()[x * 3] ? '1' : '0';
  EXPECT_EQ(pattern, "1010000001");
}

TEST(BmpFileTest, DamagedOrUnknownFilesAreRefused) {
  const BmpLayout good{
      .width = 2, .height = 2, .bits = 24, .rows = {Bytes({0, 0, 0, 0, 0, 0, 0, 0}), Bytes({0, 0, 0, 0, 0, 0, 0, 0})}};
  const std::string file = MakeBmp(good);
  ASSERT_TRUE(DecodeBmp(file));
  EXPECT_FALSE(DecodeBmp(""));
  EXPECT_FALSE(DecodeBmp("BM"));
  EXPECT_FALSE(DecodeBmp("PK" + file.substr(2)));
  EXPECT_FALSE(DecodeBmp(file.substr(0, file.size() - 1)));  // a byte of the pixels missing
  EXPECT_FALSE(DecodeBmp(file.substr(0, 30)));

  BmpLayout zeroWidth = good;
  zeroWidth.width = 0;
  EXPECT_FALSE(DecodeBmp(MakeBmp(zeroWidth)));
  BmpLayout huge = good;
  huge.width = 0x7FFFFFFF;
  EXPECT_FALSE(DecodeBmp(MakeBmp(huge)));
  BmpLayout mostNegative = good;
  mostNegative.height = static_cast<int>(0x80000000u);
  EXPECT_FALSE(DecodeBmp(MakeBmp(mostNegative)));
  BmpLayout rle = good;
  rle.bits = 8;
  rle.compression = 1;
  rle.palette = {0};
  EXPECT_FALSE(DecodeBmp(MakeBmp(rle)));
  BmpLayout odd = good;
  odd.bits = 7;
  EXPECT_FALSE(DecodeBmp(MakeBmp(odd)));

  // The pixel offset points past the end.
  std::string farOffset = file;
  farOffset[10] = static_cast<char>(0xFF);
  farOffset[11] = static_cast<char>(0xFF);
  EXPECT_FALSE(DecodeBmp(farOffset));
}

TEST(LoadBitmapFileTest, LoadsTheFileThatTheDevicePathNames) {
  initap::test::MemoryFiles files;
  files.files[L"\\System\\logo.bmp"] = MakeBmp({.width = 1, .height = 1, .bits = 24, .rows = {Bytes({1, 2, 3, 0})}});
  files.files[L"\\System\\broken.bmp"] = "BM not really";
  platform::host::HeadlessDisplay display;
  platform::host::HostGraphics graphics(files, display);

  auto bitmap = graphics.LoadBitmapFile(L"\\System\\logo.bmp");
  ASSERT_TRUE(bitmap);
  auto* loaded = dynamic_cast<HostBitmap*>(bitmap.get());
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Rgb(), Rgb({3, 2, 1}));
  EXPECT_FALSE(graphics.LoadBitmapFile(L"\\System\\missing.bmp"));
  EXPECT_FALSE(graphics.LoadBitmapFile(L"\\System\\broken.bmp"));
}

}  // namespace
