// A raw boot disk for the tests of the disk service, in which every byte
// tells its own position, so that a read from a wrong offset shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rawdisk.h"

namespace initap::test {

inline constexpr std::uint32_t kPatternSectors = 1000;

inline std::uint8_t PatternAt(std::uint64_t offset) { return static_cast<std::uint8_t>(offset * 7 + offset / 512); }

// The whole disk of kPatternSectors sectors.
inline std::string PatternDisk() {
  std::string image(std::size_t{kPatternSectors} * 512, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(PatternAt(i));
  return image;
}

// Reads the logo's 375 sectors from sector 520 of the pattern disk into a larger buffer: each byte is the
// pattern's at its offset, and the buffer's room beyond the sectors is left alone.
inline void ExpectLogoSectorsRead(platform::RawDisk& disk) {
  std::vector<std::uint8_t> buffer(192512, 0xAA);
  ASSERT_TRUE(disk.ReadSectors(520, 375, buffer));
  for (std::size_t i = 0; i < 192000; ++i) {
    ASSERT_EQ(buffer[i], PatternAt(266240 + i)) << "byte " << i;
  }
  EXPECT_EQ(buffer[192000], 0xAA);
  EXPECT_EQ(buffer[192511], 0xAA);
}

}  // namespace initap::test
