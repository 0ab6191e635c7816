// Letter case of names as the device's file systems compare them: each
// 16-bit unit stands for its simple upper case, one table on every platform.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The unit's upper case. A letter outside ASCII never becomes an ASCII one
// (dotless i, long s), and a letter without a one-unit upper case (sharp s)
// stays as it is; units beyond the basic plane never change.
wchar_t FoldNameUnit(wchar_t c);

// The text with every unit folded: two names are the same when their folds are.
std::wstring FoldName(std::wstring_view text);

}  // namespace platform
