// Text as a JSON string, for the reports the host's tools write.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace platform::host {

// `text` (UTF-8) quoted as a JSON string, with quotes, backslashes and control characters escaped.
inline std::string JsonQuoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace platform::host
