// Lengths of wide texts as the device counts them: in 16-bit units, where a
// character beyond the basic plane takes two (a surrogate pair).
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// A character the device stores as two units; never true where wchar_t
// is itself a 16-bit unit.
bool BeyondBasicPlane(wchar_t c);

// The units `text` takes on the device.
std::size_t WideUnits(std::wstring_view text);

// The longest start of `text` that takes at most `units` units. A character
// that would be split is left out whole, so no half of a pair remains.
std::wstring_view WideUnitsPrefix(std::wstring_view text, std::size_t units);

}  // namespace platform
