// The device's shell, started by its bare name when a boot goes to the desktop.
#pragma once

#include <string_view>

namespace platform {

inline constexpr std::wstring_view kShellProgram = L"explorer";

}  // namespace platform
