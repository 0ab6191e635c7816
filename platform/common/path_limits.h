// How long the device's paths and names may be, counted in 16-bit units.
#pragma once

#include <cstddef>

namespace platform {

// A path buffer: 260 units with the terminator, so a path holds at most 259.
inline constexpr std::size_t kPathCapacity = 260;
inline constexpr std::size_t kLongestPath = kPathCapacity - 1;
// One name of a path, a file's or a folder's, holds at most 255 units.
inline constexpr std::size_t kLongestName = 255;

}  // namespace platform
