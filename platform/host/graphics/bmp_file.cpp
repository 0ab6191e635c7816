#include "platform/host/graphics/bmp_file.h"

#include <array>
#include <bit>
#include <cstdlib>

namespace platform::host {

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;
constexpr std::int64_t kMaxSide = 16384;
constexpr std::size_t kFileHeader = 14;

std::uint32_t U16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

std::uint32_t U32(std::string_view bytes, std::size_t at) { return U16(bytes, at) | U16(bytes, at + 2) << 16; }

// One colour channel given by a bit mask, scaled to 8 bits.
class Channel {
 public:
  explicit Channel(std::uint32_t mask)
      : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0), max_(mask ? mask >> shift_ : 0) {}
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (max_ == 0) return 0;
    return static_cast<std::uint8_t>((std::uint64_t{(pixel & mask_) >> shift_} * 255 + max_ / 2) / max_);
  }

 private:
  std::uint32_t mask_;
  int shift_;
  std::uint32_t max_;
};

struct Layout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // rows, always positive
  bool topDown = false;
  unsigned bits = 0;
  std::uint32_t compression = kRgb;
  std::size_t paletteAt = 0;
  std::size_t paletteEntries = 0;
  std::size_t paletteEntrySize = 4;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue
  std::size_t pixelsAt = 0;
};

bool ReadLayout(std::string_view file, Layout& layout) {
  if (file.size() < kFileHeader + 12 || file[0] != 'B' || file[1] != 'M') return false;
  layout.pixelsAt = U32(file, 10);
  const std::size_t headerSize = U32(file, kFileHeader);
  if (headerSize < 12 || file.size() - kFileHeader < headerSize) return false;
  std::size_t masksAt = 0;
  if (headerSize == 12) {
    // The old core header: 16-bit sizes and 3-byte palette entries.
    layout.width = U16(file, 18);
    layout.height = U16(file, 20);
    if (U16(file, 22) != 1) return false;
    layout.bits = U16(file, 24);
    layout.paletteEntrySize = 3;
  } else {
    if (headerSize < 40) return false;
    layout.width = static_cast<std::int32_t>(U32(file, 18));
    const std::int64_t height = static_cast<std::int32_t>(U32(file, 22));
    layout.topDown = height < 0;
    layout.height = std::llabs(height);
    if (U16(file, 26) != 1) return false;
    layout.bits = U16(file, 28);
    layout.compression = U32(file, 30);
    layout.paletteEntries = U32(file, 46);
    // Bit-field masks follow a 40-byte header, or sit inside a longer one.
    masksAt = kFileHeader + 40;
  }
  layout.paletteAt = kFileHeader + headerSize;
  if (layout.width <= 0 || layout.height <= 0 || layout.width > kMaxSide || layout.height > kMaxSide) return false;

  switch (layout.bits) {
    case 1:
    case 4:
    case 8:
      if (layout.compression != kRgb) return false;
      if (layout.paletteEntries == 0 || layout.paletteEntries > (1u << layout.bits)) {
        layout.paletteEntries = std::size_t{1} << layout.bits;
      }
      if (layout.paletteAt + layout.paletteEntries * layout.paletteEntrySize > file.size()) return false;
      return true;
    case 16:
    case 32:
      if (layout.compression == kRgb) {
        layout.masks = layout.bits == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                         : std::array<std::uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF};
        return true;
      }
      if (layout.compression != kBitFields && layout.compression != kAlphaBitFields) return false;
      if (masksAt == 0 || masksAt + 12 > file.size()) return false;
      layout.masks = {U32(file, masksAt), U32(file, masksAt + 4), U32(file, masksAt + 8)};
      return true;
    case 24: return layout.compression == kRgb;
    default: return false;
  }
}

}  // namespace

std::unique_ptr<HostBitmap> DecodeBmp(std::string_view file) {
  Layout layout;
  if (!ReadLayout(file, layout)) return nullptr;
  // Rows are padded to four bytes.
  const std::size_t stride = static_cast<std::size_t>((layout.width * layout.bits + 31) / 32 * 4);
  const std::size_t rows = static_cast<std::size_t>(layout.height);
  if (layout.pixelsAt > file.size() || (file.size() - layout.pixelsAt) / stride < rows) return nullptr;

  const std::size_t width = static_cast<std::size_t>(layout.width);
  std::vector<std::uint8_t> rgb(width * rows * 3);
  const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t fileRow = layout.topDown ? row : rows - 1 - row;
    const std::size_t at = layout.pixelsAt + fileRow * stride;
    std::uint8_t* out = rgb.data() + row * width * 3;
    for (std::size_t x = 0; x < width; ++x, out += 3) {
      switch (layout.bits) {
        case 1:
        case 4:
        case 8: {
          const std::size_t bitAt = x * layout.bits;
          const unsigned byte = static_cast<std::uint8_t>(file[at + bitAt / 8]);
          const unsigned index = (byte >> (8 - layout.bits - bitAt % 8)) & ((1u << layout.bits) - 1);
          // An index past the palette shows black.
          if (index >= layout.paletteEntries) {
            out[0] = out[1] = out[2] = 0;
            break;
          }
          const std::size_t entry = layout.paletteAt + index * layout.paletteEntrySize;
          out[0] = static_cast<std::uint8_t>(file[entry + 2]);
          out[1] = static_cast<std::uint8_t>(file[entry + 1]);
          out[2] = static_cast<std::uint8_t>(file[entry]);
          break;
        }
        case 24:
          out[0] = static_cast<std::uint8_t>(file[at + x * 3 + 2]);
          out[1] = static_cast<std::uint8_t>(file[at + x * 3 + 1]);
          out[2] = static_cast<std::uint8_t>(file[at + x * 3]);
          break;
        default: {
          const std::uint32_t pixel = layout.bits == 16 ? U16(file, at + x * 2) : U32(file, at + x * 4);
          out[0] = red(pixel);
          out[1] = green(pixel);
          out[2] = blue(pixel);
          break;
        }
      }
    }
  }
  return std::make_unique<HostBitmap>(static_cast<int>(layout.width), static_cast<int>(rows), std::move(rgb));
}

}  // namespace platform::host
