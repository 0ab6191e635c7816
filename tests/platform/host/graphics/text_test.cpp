// Text on the host screen: the default font's placement, clipping and blending.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/common/screen_size.h"
#include "platform/host/graphics/font.h"
#include "platform/host/graphics/host_graphics.h"
#include "platform/host/graphics/software_back_buffer.h"

namespace platform::host {
namespace {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom outside
  bool empty = true;
  friend bool operator==(const Box&, const Box&) = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << (box.empty ? "empty " : "") << "(" << box.left << ", " << box.top << ", " << box.right << ", "
             << box.bottom << ")";
}

void Include(Box& box, int x, int y) {
  if (box.empty) box = {x, y, x + 1, y + 1, false};
  box.left = std::min(box.left, x);
  box.top = std::min(box.top, y);
  box.right = std::max(box.right, x + 1);
  box.bottom = std::max(box.bottom, y + 1);
}

const std::uint8_t* PixelAt(const SoftwareBackBuffer& frame, int x, int y) {
  return frame.Pixels() + (static_cast<std::size_t>(y) * frame.Width() + x) * 3;
}

// Where the frame is not black.
Box Ink(const SoftwareBackBuffer& frame) {
  Box box;
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x) {
      const std::uint8_t* p = PixelAt(frame, x, y);
      if (p[0] | p[1] | p[2]) Include(box, x, y);
    }
  }
  return box;
}

// Where a glyph has coverage, relative to its pen position on the baseline.
Box GlyphInk(const Glyph& glyph) {
  Box box;
  for (int y = 0; y < glyph.height; ++y) {
    for (int x = 0; x < glyph.width; ++x) {
      if (glyph.coverage[y * glyph.width + x]) Include(box, glyph.left + x, y - glyph.top);
    }
  }
  return box;
}

class TextTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    font_ =
        Font::Load(HostGraphics::kFontFamily, HostGraphics::kFontPixelSize, HostGraphics::kLineHeight, error).release();
    ASSERT_NE(font_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    delete font_;
    font_ = nullptr;
  }

  // Where `text` must show in `box`: the line's top is the box's middle less
  // half the line height, both halves truncated.
  static int Baseline(const Rect& box) {
    return box.top + (box.bottom - box.top) / 2 - font_->LineHeight() / 2 + font_->Ascent();
  }

  static Font* font_;
};

Font* TextTest::font_ = nullptr;

TEST_F(TextTest, DefaultFontFitsALineOfTwentyPixels) {
  EXPECT_LE(font_->LineHeight(), 20);
  EXPECT_GT(font_->LineHeight(), 14);
  std::string error;
  // A size too large for the line gives way to the largest that fits it.
  auto larger = Font::Load(HostGraphics::kFontFamily, 40, font_->LineHeight() + 4, error);
  ASSERT_TRUE(larger) << error;
  EXPECT_GT(larger->PixelSize(), font_->PixelSize());
  EXPECT_LE(larger->LineHeight(), font_->LineHeight() + 4);
  // The family is named, not whatever fontconfig offers in its place.
  EXPECT_FALSE(Font::Load("No Such Family", 14, 20, error));
  EXPECT_NE(error.find("not installed"), std::string::npos) << error;
}

TEST_F(TextTest, GlyphsAreRasterisedOnce) {
  const Glyph& first = font_->GetGlyph(U'A');
  EXPECT_EQ(&first, &font_->GetGlyph(U'A'));
  const Glyph& wide = font_->GetGlyph(U'\u00E9');
  EXPECT_EQ(&wide, &font_->GetGlyph(U'\u00E9'));
  const Glyph& beyondLatin = font_->GetGlyph(U'\u0416');
  EXPECT_EQ(&beyondLatin, &font_->GetGlyph(U'\u0416'));
  EXPECT_GT(beyondLatin.advance, 0);
}

TEST_F(TextTest, NamesInAnyScriptShowAsGlyphsNotAsTheMissingBox) {
  // A character no font has: the missing-glyph box.
  const Glyph& box = font_->GetGlyph(U'\U0010FFFD');
  // Chinese, Japanese, Korean, Cyrillic, Greek, Arabic and Hebrew.
  for (const char32_t c : {U'\u4e2d', U'\u3042', U'\ud55c', U'\u0416', U'\u03a9', U'\u0639', U'\u05d0'}) {
    const Glyph& glyph = font_->GetGlyph(c);
    EXPECT_GT(glyph.advance, 0) << std::hex << static_cast<std::uint32_t>(c);
    EXPECT_FALSE(glyph.width == box.width && glyph.height == box.height && glyph.coverage == box.coverage)
        << std::hex << static_cast<std::uint32_t>(c);
  }
}

TEST_F(TextTest, LineStartsAtTheLeftEdgeAndIsCentredVertically) {
  for (const Rect box : {Rect{10, 60, 230, 80}, Rect{10, 60, 230, 81}, Rect{0, 0, 240, 19}, Rect{37, 101, 200, 160}}) {
    SoftwareBackBuffer frame(kScreenWidth, kScreenHeight, font_);
    frame.DrawText(box, L"H", 0x00FFFFFF);
    Box expected = GlyphInk(font_->GetGlyph(U'H'));
    expected.left += box.left;
    expected.right += box.left;
    expected.top += Baseline(box);
    expected.bottom += Baseline(box);
    EXPECT_EQ(Ink(frame), expected) << "box top " << box.top << " bottom " << box.bottom;
  }
}

TEST_F(TextTest, CharactersFollowEachOtherByTheirAdvance) {
  SoftwareBackBuffer frame(kScreenWidth, kScreenHeight, font_);
  const Rect box{20, 0, 240, 20};
  frame.DrawText(box, L"I I", 0x00FFFFFF);
  const Glyph& i = font_->GetGlyph(U'I');
  const int second = box.left + i.advance + font_->GetGlyph(U' ').advance;
  Box expected = GlyphInk(i);
  const int width = expected.right - expected.left;
  EXPECT_EQ(Ink(frame).left, box.left + expected.left);
  EXPECT_EQ(Ink(frame).right, second + expected.left + width);
}

TEST_F(TextTest, TextIsClippedToItsRectangle) {
  SoftwareBackBuffer frame(kScreenWidth, kScreenHeight, font_);
  const Rect box{10, 60, 60, 80};
  frame.DrawText(box, L"WWWWWWWWWWWWWWWWWWWW", 0x00FFFFFF);
  const Box ink = Ink(frame);
  EXPECT_FALSE(ink.empty);
  EXPECT_GE(ink.left, box.left);
  EXPECT_EQ(ink.right, box.right);  // the line runs on past the edge and is cut there
  EXPECT_GE(ink.top, box.top);
  EXPECT_LE(ink.bottom, box.bottom);

  // A rectangle lower than the line cuts the glyphs at its top and bottom.
  SoftwareBackBuffer low(kScreenWidth, kScreenHeight, font_);
  const Rect flat{10, 66, 230, 70};
  low.DrawText(flat, L"Hg", 0x00FFFFFF);
  EXPECT_EQ(Ink(low).top, flat.top);
  EXPECT_EQ(Ink(low).bottom, flat.bottom);
}

TEST_F(TextTest, TextOffTheFrameOrEmptyDrawsNothing) {
  SoftwareBackBuffer frame(kScreenWidth, kScreenHeight, font_);
  frame.DrawText({-300, 60, -100, 80}, L"copy file", 0x00FFFFFF);
  frame.DrawText({10, 500, 230, 520}, L"copy file", 0x00FFFFFF);
  frame.DrawText({10, 60, 230, 80}, L"", 0x00FFFFFF);
  frame.DrawText({230, 60, 10, 80}, L"copy file", 0x00FFFFFF);
  EXPECT_TRUE(Ink(frame).empty);
}

TEST_F(TextTest, TextThatStartsLeftOfTheFrameShowsItsVisiblePart) {
  SoftwareBackBuffer frame(kScreenWidth, kScreenHeight, font_);
  frame.DrawText({-20, 60, 100, 80}, L"MMMMMMMM", 0x00FFFFFF);
  EXPECT_EQ(Ink(frame).left, 0);
}

TEST_F(TextTest, AntiAliasedEdgesBlendTheColourOverTheBackground) {
  SoftwareBackBuffer frame(kScreenWidth, kScreenHeight, font_);
  frame.FillRect({0, 0, kScreenWidth, kScreenHeight}, 0x00FFFFFF);
  const Rect box{10, 60, 230, 80};
  frame.DrawText(box, L"O", 0x000000FF);  // red on white
  const Glyph& o = font_->GetGlyph(U'O');
  const int originX = box.left + o.left, originY = Baseline(box) - o.top;
  bool partial = false;
  for (int y = 0; y < o.height; ++y) {
    for (int x = 0; x < o.width; ++x) {
      const unsigned coverage = o.coverage[y * o.width + x];
      partial |= coverage > 0 && coverage < 255;
      const std::uint8_t* p = PixelAt(frame, originX + x, originY + y);
      ASSERT_EQ(p[2], 255);  // blue, green, red
      ASSERT_EQ(p[1], 255 - coverage) << x << "," << y;
      ASSERT_EQ(p[0], 255 - coverage) << x << "," << y;
    }
  }
  EXPECT_TRUE(partial);
}

TEST_F(TextTest, ColourReferenceHoldsRedInItsLowByte) {
  SoftwareBackBuffer red(kScreenWidth, kScreenHeight, font_);
  red.DrawText({10, 60, 230, 80}, L"H", 0x000000FF);
  SoftwareBackBuffer blue(kScreenWidth, kScreenHeight, font_);
  blue.DrawText({10, 60, 230, 80}, L"H", 0x00FF0000);
  int inked = 0;
  for (int y = 60; y < 80; ++y) {
    for (int x = 10; x < 40; ++x) {
      const std::uint8_t* r = PixelAt(red, x, y);
      const std::uint8_t* b = PixelAt(blue, x, y);
      // The frame keeps blue, green, red.
      EXPECT_EQ(r[0] | r[1] | b[1] | b[2], 0);
      EXPECT_EQ(r[2], b[0]);
      inked += r[2] == 255;
    }
  }
  EXPECT_GT(inked, 10);
}

}  // namespace
}  // namespace platform::host
