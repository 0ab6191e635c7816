#include "platform/host/graphics/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/common/free_with.h"

namespace platform::host {

namespace {

using Pattern = std::unique_ptr<FcPattern, FreeWith<FcPatternDestroy>>;
using FontSet = std::unique_ptr<FcFontSet, FreeWith<FcFontSetDestroy>>;

}  // namespace

struct Font::Library {
  FT_Library freetype = nullptr;
  FT_Face face = nullptr;
  // fontconfig's fallbacks for the family, best first, and their faces once opened.
  FontSet fallbacks;
  std::vector<FT_Face> fallbackFaces;
  // The face that draws a character at `pixelSize`.
  FT_Face FaceFor(char32_t code, int pixelSize);
  ~Library() {
    for (FT_Face fallback : fallbackFaces) {
      if (fallback) FT_Done_Face(fallback);
    }
    if (face) FT_Done_Face(face);
    if (freetype) FT_Done_FreeType(freetype);
  }
};

namespace {

// The font file and face index that fontconfig chooses for a family name,
// and the fonts it falls back to for characters that font lacks.
bool MatchFamily(const std::string& family, std::string& file, int& index, FontSet& fallbacks, std::string& error) {
  if (!FcInit()) {
    error = "fontconfig cannot be initialised";
    return false;
  }
  Pattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str())));
  if (!pattern) {
    error = "fontconfig cannot parse \"" + family + "\"";
    return false;
  }
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* path = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch) {
    error = "fontconfig has no font for \"" + family + "\"";
    return false;
  }
  // fontconfig offers some other face for a family it lacks, whose letters
  // would not fit the sizes chosen for this one.
  bool named = false;
  FcChar8* name = nullptr;
  for (int i = 0; !named && FcPatternGetString(match.get(), FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    named = FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0;
  }
  if (!named) {
    error = "the font \"" + family + "\" is not installed (tools/setup.sh installs it)";
    return false;
  }
  file = reinterpret_cast<const char*>(path);
  if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  fallbacks.reset(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
  return true;
}

// Opens a font of the set; null when FreeType cannot.
FT_Face OpenFace(FT_Library freetype, FcPattern* font) {
  FcChar8* path = nullptr;
  int index = 0;
  if (FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch) return nullptr;
  if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  FT_Face face = nullptr;
  if (FT_New_Face(freetype, reinterpret_cast<const char*>(path), index, &face) != 0) return nullptr;
  return face;
}

}  // namespace

std::unique_ptr<Font> Font::Load(const std::string& family, int pixelSize, int lineHeight, std::string& error) {
  std::string file;
  int index = 0;
  auto library = std::make_unique<Library>();
  if (!MatchFamily(family, file, index, library->fallbacks, error)) return nullptr;
  if (library->fallbacks) library->fallbackFaces.assign(static_cast<std::size_t>(library->fallbacks->nfont), nullptr);
  if (FT_Init_FreeType(&library->freetype) != 0) {
    error = "FreeType cannot be initialised";
    return nullptr;
  }
  if (FT_New_Face(library->freetype, file.c_str(), index, &library->face) != 0) {
    error = "FreeType cannot open " + file;
    return nullptr;
  }
  // Size metrics of a scalable face come rounded to whole pixels: ascender up, descender down.
  for (int size = pixelSize; size > 0; --size) {
    if (FT_Set_Pixel_Sizes(library->face, 0, static_cast<FT_UInt>(size)) != 0) continue;
    const FT_Size_Metrics& metrics = library->face->size->metrics;
    const int ascent = static_cast<int>((metrics.ascender + 63) >> 6);
    const int descent = static_cast<int>((-metrics.descender + 63) >> 6);
    if (ascent + descent <= lineHeight) {
      return std::unique_ptr<Font>(new Font(std::move(library), size, ascent, ascent + descent));
    }
  }
  error = file + " has no size that fits a line of " + std::to_string(lineHeight) + " pixels";
  return nullptr;
}

FT_Face Font::Library::FaceFor(char32_t code, int pixelSize) {
  if (FT_Get_Char_Index(face, code) != 0 || !fallbacks) return face;
  // The first fallback that has the character, sized as the font itself.
  for (std::size_t i = 0; i < fallbackFaces.size(); ++i) {
    FcCharSet* characters = nullptr;
    if (FcPatternGetCharSet(fallbacks->fonts[i], FC_CHARSET, 0, &characters) != FcResultMatch ||
        !FcCharSetHasChar(characters, code)) {
      continue;
    }
    FT_Face& fallback = fallbackFaces[i];
    if (!fallback) {
      fallback = OpenFace(freetype, fallbacks->fonts[i]);
      if (fallback && FT_Set_Pixel_Sizes(fallback, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        FT_Done_Face(fallback);
        fallback = nullptr;
      }
    }
    if (fallback && FT_Get_Char_Index(fallback, code) != 0) return fallback;
  }
  // None has it: the font's own missing-glyph box.
  return face;
}

Font::Font(std::unique_ptr<Library> library, int pixelSize, int ascent, int lineHeight)
    : library_(std::move(library)), pixelSize_(pixelSize), ascent_(ascent), lineHeight_(lineHeight) {}

Font::~Font() = default;

const Glyph& Font::GetGlyph(char32_t code) {
  if (code < latin_.size()) {
    if (!latin_[code]) latin_[code] = &Rasterise(code);
    return *latin_[code];
  }
  if (auto found = glyphs_.find(code); found != glyphs_.end()) return found->second;
  return Rasterise(code);
}

const Glyph& Font::Rasterise(char32_t code) {
  Glyph& glyph = glyphs_[code];
  FT_Face face = library_->FaceFor(code, pixelSize_);
  // A glyph that does not load stays empty and takes no room.
  if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return glyph;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return glyph;
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.height = static_cast<int>(bitmap.rows);
  glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.height);
  for (int row = 0; row < glyph.height; ++row) {
    const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    std::copy(source, source + glyph.width, glyph.coverage.begin() + static_cast<std::ptrdiff_t>(row) * glyph.width);
  }
  return glyph;
}

}  // namespace platform::host
