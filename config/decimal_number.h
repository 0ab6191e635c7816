// The decimal number rule of the configuration values.
#pragma once

#include <cstdint>
#include <string_view>

namespace initap {

// Leading white space, an optional sign, then decimal digits up to the first
// other character; no digits give 0, "0x10" gives 0. Values beyond the signed
// 32-bit range give its nearest limit.
[[nodiscard]] std::int32_t DecimalNumber(std::wstring_view text);

}  // namespace initap
