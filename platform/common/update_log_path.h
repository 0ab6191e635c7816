// The update log: the plain-text file on the flash volume that every boot appends its lines to.
#pragma once

#include <string_view>

namespace platform {

inline constexpr std::wstring_view kUpdateLogPath = L"\\FlashHd\\updatelog.txt";

}  // namespace platform
