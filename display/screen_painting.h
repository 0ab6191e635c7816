// The window's one picture: the logo with the status line and the progress
// bar, composed off screen and copied to the screen in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/init_ap.h"
#include "display/text_format.h"
#include "platform/common/path_limits.h"

namespace initap {

// The status line's field is a path buffer, as it mostly names the file in work.
inline constexpr std::size_t kStatusTextCapacity = platform::kPathCapacity;
inline constexpr int kProgressPenWidth = 3;

// The paint message: logo, then text and frame while there is a status
// text, then the fill while a total is known, then one copy to the screen. Returns 0.
std::intptr_t OnPaint(Init_AP& app);

// The erase-background message: draws nothing; returns 1 (the background counts as erased).
std::intptr_t OnEraseBkgnd(Init_AP& app);

// Stores `text`, cut to the field's 259 units (a split character left out), and has the window
// repainted before returning.
void ShowStatusText(Init_AP& app, std::wstring_view text);

// Formats the status line ("%s" a wide string, "%d" a 32-bit integer) and
// has the window repainted before returning; from either thread.
template <typename... Args>
void SetStatusText(Init_AP& app, std::wstring_view format, const Args&... args) {
  ShowStatusText(app, FormatText(format, args...));
}

}  // namespace initap
