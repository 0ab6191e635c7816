// Links (reparse points) in a device's folder, which Wine follows by the
// host's rules: a device whose links lead out of it is refused.
#pragma once

#include <optional>
#include <string>

namespace platform::win32 {

// The first link below `root` that leads out of it (or cannot be told to
// stay inside), as a Windows path; none when every link stays inside.
std::optional<std::wstring> LinkLeadingOut(const std::wstring& root);

}  // namespace platform::win32
