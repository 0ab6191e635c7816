// The files every boot writes as its own record, whatever its card says.
#pragma once

#include <array>
#include <string_view>

#include "platform/common/update_descriptions.h"
#include "platform/common/update_log_path.h"

namespace platform {

// The update log and the description kept for later boots. A tool that holds
// a device against a wanted tree leaves them out where the tree does not hold
// them, since no card can keep a boot from writing them.
inline constexpr std::array<std::wstring_view, 2> kBootRecords = {kUpdateLogPath, kSystemDescription};

}  // namespace platform
