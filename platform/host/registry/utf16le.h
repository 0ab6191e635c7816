// Wide text to and from UTF-16LE bytes, the registry's own form of texts.
#pragma once

#include <string>
#include <string_view>

namespace platform::host {

// Characters beyond the basic plane become surrogate pairs; invalid code points U+FFFD.
std::string ToUtf16Le(std::wstring_view text);
// Surrogate pairs are joined; a lone surrogate or an odd last byte becomes U+FFFD.
std::wstring FromUtf16Le(std::string_view bytes);

}  // namespace platform::host
