// The shortcut list: the desktop shortcuts the device writes at the end of a boot.
#pragma once

#include <string_view>

namespace platform {

inline constexpr std::wstring_view kShortcutList = L"\\System\\shortcut.xml";

}  // namespace platform
