// The pattern a listing is started with: a folder followed by "\*.*".
#pragma once

#include <optional>
#include <string_view>

namespace platform {

// A listing's pattern ends in "\*.*" (or "\*"): the folder before it, with
// its separator ("\" for the root); none for a pattern that finds one path.
inline std::optional<std::wstring_view> ListedFolder(std::wstring_view pattern) {
  const std::size_t separator = pattern.find_last_of(L"\\/");
  const std::wstring_view last = separator == std::wstring_view::npos ? pattern : pattern.substr(separator + 1);
  if (last != L"*.*" && last != L"*") return std::nullopt;
  if (separator == std::wstring_view::npos || separator == 0) return std::wstring_view(L"\\");
  return pattern.substr(0, separator + 1);
}

}  // namespace platform
