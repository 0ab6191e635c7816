// The fixed status lines in the host's default font: whole in the default
// text box at the largest size that allows it, their descenders clear of the
// progress frame below.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "display/screen_painting.h"
#include "platform/host/graphics/font.h"
#include "tests/display/logo_fixture.h"

namespace initap::test {
namespace {

using platform::host::Font;
using platform::host::HostGraphics;

// From the pen's start to the right edge of the rightmost ink.
int InkWidth(Font& font, std::wstring_view text) {
  int pen = 0, right = 0;
  for (const wchar_t c : text) {
    const auto& glyph = font.GetGlyph(static_cast<char32_t>(c));
    if (glyph.width > 0) right = std::max(right, pen + glyph.left + glyph.width);
    pen += glyph.advance;
  }
  return right;
}

class StatusLineFitTest : public LogoFixture {
 protected:
  void SetUp() override {
    Prepare(*app_);
    app_->oemLogoRaw.reset();  // a black screen under the text
  }
};

TEST_F(StatusLineFitTest, EveryFixedLineFitsTheDefaultBoxAtTheLargestSizeThatAllows) {
  Font* font = device_.Host().Graphics().DefaultFont();
  ASSERT_NE(font, nullptr);
  const int boxWidth = app_->filenameRect.right - app_->filenameRect.left;
  EXPECT_EQ(boxWidth, 220);
  std::string error;
  auto larger = Font::Load(HostGraphics::kFontFamily, font->PixelSize() + 1, HostGraphics::kLineHeight, error);
  ASSERT_TRUE(larger) << error;
  ASSERT_EQ(larger->PixelSize(), font->PixelSize() + 1);
  bool oneTooWideWhenLarger = false;
  for (const std::wstring_view text : kFixedStatusTexts) {
    EXPECT_LE(InkWidth(*font, text), boxWidth) << std::string(text.begin(), text.end());
    oneTooWideWhenLarger |= InkWidth(*larger, text) > boxWidth;
  }
  EXPECT_TRUE(oneTooWideWhenLarger) << "a larger size fits every line as well";
}

TEST_F(StatusLineFitTest, DescendersStayClearOfTheProgressFrame) {
  const platform::Rect box = app_->filenameRect;
  const int frameTop = app_->progressRect.top - kProgressPenWidth / 2;
  for (const std::wstring_view text :
       {kFixedStatusTexts[0], kFixedStatusTexts[1], kFixedStatusTexts[2], std::wstring_view(L"copy gjpqy_,.bmp")}) {
    app_->statusText.Set(text);
    OnPaint(*app_);
    // The text is white and the frame blue: red marks the text alone.
    int top = platform::kScreenHeight, bottom = 0;
    for (int y = 0; y < platform::kScreenHeight; ++y) {
      for (int x = 0; x < platform::kScreenWidth; ++x) {
        if (At(x, y)[0] != 0) top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    EXPECT_GE(top, box.top) << std::string(text.begin(), text.end());
    EXPECT_LT(bottom + 1, frameTop) << std::string(text.begin(), text.end()) << ": no blank row above the frame";
  }
}

}  // namespace
}  // namespace initap::test
