// One line of launched.log, as both platforms write it.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel.h"

namespace platform {

// "(MM-DD HH:MM) started FILE" or "(MM-DD HH:MM) failed FILE", in device time;
// `file` is already UTF-8. Without the line end.
std::string LaunchedLine(const SystemTime& now, bool started, std::string_view file);

}  // namespace platform
