// The private messages that the worker posts to the window, both parameters 0.
#pragma once

#include <cstdint>

namespace initap {

inline constexpr std::uint32_t UM_NO_UPDATE = 1024 + 100;
inline constexpr std::uint32_t UM_ALREADY_UPDATED = 1024 + 101;
inline constexpr std::uint32_t UM_UPDATE_DONE = 1024 + 102;
inline constexpr std::uint32_t UM_UPDATE_ERROR = 1024 + 104;

}  // namespace initap
