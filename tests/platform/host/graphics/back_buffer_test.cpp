#include "platform/host/graphics/software_back_buffer.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using platform::host::SoftwareBackBuffer;
using Rgb = std::array<std::uint8_t, 3>;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{0xFF, 0, 0};
constexpr Rgb kBlue{0, 0, 0xFF};

// Red, green, blue of a pixel, which the frame keeps as blue, green, red.
Rgb At(const SoftwareBackBuffer& frame, int x, int y) {
  const std::uint8_t* p = frame.Pixels() + (static_cast<std::size_t>(y) * frame.Width() + x) * 3;
  return {p[2], p[1], p[0]};
}

using Picture = std::vector<std::string>;

// The whole frame, a row a string: '#' where a pixel is not black, '.' where it is.
Picture PictureOf(const SoftwareBackBuffer& frame) {
  Picture rows;
  for (int y = 0; y < frame.Height(); ++y) {
    std::string row;
    for (int x = 0; x < frame.Width(); ++x) row += At(frame, x, y) == kBlack ? '.' : '#';
    rows.push_back(row);
  }
  return rows;
}

TEST(BackBufferTest, StartsBlack) {
  SoftwareBackBuffer frame(4, 3, nullptr);
  EXPECT_EQ(PictureOf(frame), (Picture{"....", "....", "...."}));
}

TEST(BackBufferTest, FillCoversLeftAndTopEdgesOnly) {
  SoftwareBackBuffer frame(8, 6, nullptr);
  frame.FillRect({2, 1, 5, 4}, 0x000000FF);
  EXPECT_EQ(PictureOf(frame), (Picture{"........", "..###...", "..###...", "..###...", "........", "........"}));
  EXPECT_EQ(At(frame, 2, 1), kRed);
}

TEST(BackBufferTest, EmptyAndInvertedFillsDrawNothing) {
  SoftwareBackBuffer frame(8, 6, nullptr);
  frame.FillRect({3, 1, 3, 4}, 0x00FFFFFF);
  frame.FillRect({5, 1, 2, 4}, 0x00FFFFFF);
  frame.FillRect({2, 4, 5, 1}, 0x00FFFFFF);
  EXPECT_EQ(PictureOf(frame), Picture(6, "........"));
}

TEST(BackBufferTest, FillIsClippedToTheFrame) {
  SoftwareBackBuffer frame(6, 4, nullptr);
  frame.FillRect({-100, -100, 2, 2}, 0x00FF0000);
  frame.FillRect({4, 3, 0x7FFFFFFF, 0x7FFFFFFF}, 0x00FF0000);
  EXPECT_EQ(PictureOf(frame), (Picture{"##....", "##....", "......", "....##"}));
  EXPECT_EQ(At(frame, 5, 3), kBlue);
}

TEST(BackBufferTest, ThreePixelFrameIsCentredOnTheOutline) {
  // The outline runs through (4, 3) and (11, 8): the pen covers one pixel on either side.
  SoftwareBackBuffer frame(16, 12, nullptr);
  frame.FrameRect({4, 3, 12, 9}, 3, 0x00FF0000);
  // The outermost corner pixels stay as they were, as GDI's round joins leave them.
  EXPECT_EQ(PictureOf(frame),
            (Picture{"................", "................", "....########....", "...##########...", "...##########...",
                     "...###....###...", "...###....###...", "...##########...", "...##########...", "....########....",
                     "................", "................"}));
  EXPECT_EQ(At(frame, 4, 2), kBlue);
}

TEST(BackBufferTest, FrameAtTheScreenEdgeIsClipped) {
  SoftwareBackBuffer frame(6, 5, nullptr);
  frame.FrameRect({0, 0, 6, 5}, 3, 0x00FFFFFF);
  EXPECT_EQ(PictureOf(frame), (Picture{"######", "######", "##..##", "######", "######"}));
}

TEST(BackBufferTest, OnePixelPenDrawsTheOutlineItself) {
  SoftwareBackBuffer frame(6, 5, nullptr);
  frame.FrameRect({1, 1, 5, 4}, 1, 0x00FFFFFF);
  EXPECT_EQ(PictureOf(frame), (Picture{"......", ".####.", ".#..#.", ".####.", "......"}));
}

TEST(BackBufferTest, PictureArrivesInBlueGreenRedOrder) {
  SoftwareBackBuffer frame(2, 2, nullptr);
  // Rows of a 2-pixel-wide 24-bit picture take 8 bytes: 6 of pixels and 2 of padding.
  const std::uint8_t picture[] = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE};
  frame.SetBits24(0, 0, 2, 2, picture);
  EXPECT_EQ(At(frame, 0, 0), (Rgb{3, 2, 1}));
  EXPECT_EQ(At(frame, 1, 0), (Rgb{6, 5, 4}));
  EXPECT_EQ(At(frame, 0, 1), (Rgb{9, 8, 7}));
  EXPECT_EQ(At(frame, 1, 1), (Rgb{12, 11, 10}));
}

TEST(BackBufferTest, PicturePartlyOffTheFrameIsClippedAndTheRestStaysBlack) {
  SoftwareBackBuffer frame(4, 4, nullptr);
  // 4x4 white picture, rows of 12 bytes.
  const std::vector<std::uint8_t> white(4 * 12, 0xFF);
  frame.SetBits24(2, -2, 4, 4, white.data());
  EXPECT_EQ(PictureOf(frame), (Picture{"..##", "..##", "....", "...."}));
}

TEST(BackBufferTest, LaterDrawingLiesOverEarlier) {
  SoftwareBackBuffer frame(4, 1, nullptr);
  const std::vector<std::uint8_t> green(12, 0);
  std::vector<std::uint8_t> picture = green;
  for (int x = 0; x < 4; ++x) picture[x * 3 + 1] = 0x80;
  frame.SetBits24(0, 0, 4, 1, picture.data());
  frame.FillRect({1, 0, 3, 1}, 0x000000FF);
  EXPECT_EQ(At(frame, 0, 0), (Rgb{0, 0x80, 0}));
  EXPECT_EQ(At(frame, 1, 0), kRed);
  EXPECT_EQ(At(frame, 3, 0), (Rgb{0, 0x80, 0}));
}

}  // namespace
