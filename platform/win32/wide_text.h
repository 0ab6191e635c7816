// Wide (UTF-16) text to and from UTF-8, the encoding of the platform's own
// files, and to and from any code page Windows knows.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// `text` in code page `codePage`; with `noBestFit`, a character the code page
// lacks becomes its default character rather than a look-alike.
std::string WideToCodePage(std::wstring_view text, unsigned codePage, bool noBestFit = false);
// Text in code page `codePage` as wide text.
std::wstring CodePageToWide(std::string_view text, unsigned codePage);

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);

}  // namespace platform::win32
