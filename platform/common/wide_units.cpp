#include "platform/common/wide_units.h"

#include <cstdint>

namespace platform {

namespace {

// A template, so that a 16-bit wchar_t never compiles the comparison.
template <typename Char>
bool Beyond(Char c) {
  if constexpr (sizeof(Char) > 2) {
    return static_cast<std::uint32_t>(c) > 0xFFFF;
  } else {
    return false;
  }
}

std::size_t UnitsOf(wchar_t c) { return BeyondBasicPlane(c) ? 2 : 1; }

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

bool BeyondBasicPlane(wchar_t c) { return Beyond(c); }

std::size_t WideUnits(std::wstring_view text) {
  std::size_t units = 0;
  for (wchar_t c : text) units += UnitsOf(c);
  return units;
}

std::wstring_view WideUnitsPrefix(std::wstring_view text, std::size_t units) {
  std::size_t taken = 0;
  std::size_t end = 0;
  for (; end < text.size(); ++end) {
    const std::size_t next = taken + UnitsOf(text[end]);
    if (next > units) break;
    taken = next;
  }
  // Where wchar_t is a unit, a cut between the two halves of a pair drops the first.
  if (end > 0 && end < text.size() && IsHighSurrogate(text[end - 1]) && IsLowSurrogate(text[end])) --end;
  return text.substr(0, end);
}

}  // namespace platform
