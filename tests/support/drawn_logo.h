// A 240x400 boot logo of the tests' own, as the logo sectors of the disk hold
// it: 16-bit 5-6-5 pixels, low byte first, top row first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace initap::test {

// Neighbouring pixels always differ, so a pixel put in the wrong place or a
// channel swapped shows.
std::vector<std::uint8_t> DrawnLogo();

// Writes a raw boot disk that ends with the logo sectors and holds the drawn logo there, zeros before it.
void WriteDrawnLogoDisk(const std::filesystem::path& file);

}  // namespace initap::test
