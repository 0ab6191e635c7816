// Wide text to and from UTF-8, the host's encoding of names and texts.
#pragma once

#include <string>
#include <string_view>

namespace platform::host {

// Invalid code points become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);

}  // namespace platform::host
