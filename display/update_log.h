// The update log on the flash volume: one time-stamped line per event.
#pragma once

#include <string_view>

#include "display/text_format.h"
#include "platform/common/update_log_path.h"

namespace initap {

class Init_AP;

// Messages are cut at this many 16-bit units, as the working buffer holds no
// more; a character that would be split is left out whole.
inline constexpr std::size_t kLogMessageLimit = 1023;

// Appends the stamp "(MM-DD HH:MM) ", `message` and a line end, in UTF-8.
// False when the log cannot be opened. Callable from any thread.
[[nodiscard]] bool WriteLogLine(Init_AP& app, std::wstring_view message);

// Formats `format` ("%s" a wide string, "%d" a number) and appends it as one
// line; true when it was written. No caller acts on the result: a line that
// cannot be written never changes the course of a run.
template <typename... Args>
bool WriteLog(Init_AP& app, std::wstring_view format, const Args&... args) {
  return WriteLogLine(app, FormatText(format, args...));
}

}  // namespace initap
