// Configured paths made absolute against the folder of the update.xml in use.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace initap {

class Init_AP;

// Resolves `configured` into `output` (cleared first). An absolute path (one
// that begins with a backslash) is taken as it is; a relative one, "../"
// steps included, is joined to the folder of the description named by
// `updateSource`. False, with `output` empty, when the source has no folder
// or the result would not fit `capacity` characters with the terminator.
[[nodiscard]] bool ResolvePath(const Init_AP& app, std::wstring_view configured, std::wstring& output,
                               std::size_t capacity);

}  // namespace initap
