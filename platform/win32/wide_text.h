// Wide (UTF-16) text to and from UTF-8, the encoding of the platform's own files.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);

}  // namespace platform::win32
