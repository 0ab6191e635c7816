// Which update.xml the start-up found and read.
#pragma once

#include <cstdint>

namespace initap {

inline constexpr std::int32_t kSourceNone = -1;
inline constexpr std::int32_t kSourceSdCard = 0;
inline constexpr std::int32_t kSourceFlash = 1;
inline constexpr std::int32_t kSourceSystem = 2;
inline constexpr std::int32_t kSourceStorageCard = 3;

// The private messages that the worker posts to the window, both parameters 0.
inline constexpr std::uint32_t UM_NO_UPDATE = 1024 + 100;
inline constexpr std::uint32_t UM_ALREADY_UPDATED = 1024 + 101;
inline constexpr std::uint32_t UM_UPDATE_DONE = 1024 + 102;
inline constexpr std::uint32_t UM_UPDATE_ERROR = 1024 + 104;

}  // namespace initap
