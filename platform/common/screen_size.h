// The device's screen: 240 by 400 pixels, portrait.
#pragma once

namespace platform {

inline constexpr int kScreenWidth = 240;
inline constexpr int kScreenHeight = 400;

}  // namespace platform
