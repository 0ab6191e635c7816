// The default font of the host screen: a family fontconfig has installed,
// rasterised anti-aliased by FreeType, each glyph once. A character the font
// lacks comes from the first of fontconfig's fallbacks that has it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::host {

// One rasterised glyph: 8-bit coverage, top row first.
struct Glyph {
  int left = 0;  // from the pen position to the first column
  int top = 0;   // from the baseline up to the first row
  int width = 0;
  int height = 0;
  int advance = 0;  // whole pixels
  std::vector<std::uint8_t> coverage;
};

class Font {
 public:
  // The installed `family` at `pixelSize`, or at the largest smaller size
  // whose line height is at most `lineHeight`; null with `error` filled when
  // fontconfig lacks the family or none loads.
  static std::unique_ptr<Font> Load(const std::string& family, int pixelSize, int lineHeight, std::string& error);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  int PixelSize() const { return pixelSize_; }
  // Rows above the baseline.
  int Ascent() const { return ascent_; }
  // Ascent plus descent: the height that vertical centring uses.
  int LineHeight() const { return lineHeight_; }
  // The glyph of a character, from a fallback font when this one lacks it (the
  // missing-glyph box when no font has it), rasterised on first use.
  const Glyph& GetGlyph(char32_t code);

 private:
  struct Library;
  Font(std::unique_ptr<Library> library, int pixelSize, int ascent, int lineHeight);
  const Glyph& Rasterise(char32_t code);

  std::unique_ptr<Library> library_;
  int pixelSize_;
  int ascent_;
  int lineHeight_;
  std::array<const Glyph*, 256> latin_{};  // the common characters without a hash look-up
  std::unordered_map<char32_t, Glyph> glyphs_;
};

}  // namespace platform::host
