// A raw boot disk for the tests of the disk service, in which every byte
// tells its own position, so that a read from a wrong offset shows.
#pragma once

#include <cstdint>
#include <string>

namespace initap::test {

inline constexpr std::uint32_t kPatternSectors = 1000;

inline std::uint8_t PatternAt(std::uint64_t offset) { return static_cast<std::uint8_t>(offset * 7 + offset / 512); }

// The whole disk of kPatternSectors sectors.
inline std::string PatternDisk() {
  std::string image(std::size_t{kPatternSectors} * 512, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(PatternAt(i));
  return image;
}

}  // namespace initap::test
