// Rectangles written as "left,top,right,bottom".
#pragma once

#include <string_view>

#include "platform/graphics.h"

namespace initap {

// Reads four decimal numbers, the first at the start of `text` and each other
// after the next comma; anything after the fourth is ignored. 1 when all four
// were set; 0, with `rect` unchanged, when it is missing or `text` has fewer
// than three commas.
[[nodiscard]] int ParseRect(std::wstring_view text, platform::Rect* rect);

}  // namespace initap
