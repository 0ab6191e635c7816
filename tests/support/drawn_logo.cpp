#include "tests/support/drawn_logo.h"

#include <algorithm>
#include <fstream>

#include "platform/common/oem_logo_layout.h"

namespace initap::test {

std::vector<std::uint8_t> DrawnLogo() {
  constexpr unsigned kWidth = platform::kOemLogoWidth, kHeight = platform::kOemLogoHeight;
  std::vector<std::uint8_t> pixels;
  pixels.reserve(kWidth * kHeight * 2);
  for (unsigned y = 0; y < kHeight; ++y) {
    for (unsigned x = 0; x < kWidth; ++x) {
      const unsigned red = (x + 3 * y) % 32, green = (7 * x + y) % 64, blue = (x * y + 5 * x + 11) % 32;
      const unsigned value = red << 11 | green << 5 | blue;
      pixels.push_back(static_cast<std::uint8_t>(value & 0xFF));
      pixels.push_back(static_cast<std::uint8_t>(value >> 8));
    }
  }
  return pixels;
}

void WriteDrawnLogoDisk(const std::filesystem::path& file) {
  const std::vector<std::uint8_t> logo = DrawnLogo();
  std::vector<char> image(platform::kOemLogoOffset + platform::kOemLogoRawBytes, 0);
  std::copy(logo.begin(), logo.end(), image.begin() + platform::kOemLogoOffset);
  std::ofstream(file, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
}

}  // namespace initap::test
