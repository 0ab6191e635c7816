#include "config/rect_text.h"

#include "config/decimal_number.h"

namespace initap {

int ParseRect(std::wstring_view text, platform::Rect* rect) {
  if (rect == nullptr || text.data() == nullptr) return 0;
  std::wstring_view parts[4] = {text};
  for (int k = 1; k < 4; ++k) {
    const std::size_t comma = parts[k - 1].find(L',');
    // Too few commas: the rectangle stays whole as it was.
    if (comma == std::wstring_view::npos) return 0;
    parts[k] = parts[k - 1].substr(comma + 1);
  }
  *rect = {DecimalNumber(parts[0]), DecimalNumber(parts[1]), DecimalNumber(parts[2]), DecimalNumber(parts[3])};
  return 1;
}

}  // namespace initap
