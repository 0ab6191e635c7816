// The raw boot disk, as the device names it; the manufacturer's logo lies on it.
#pragma once

#include <string_view>

namespace platform {

inline constexpr std::wstring_view kBootDisk = L"DSK1:";

}  // namespace platform
