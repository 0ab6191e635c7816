// Code page service: wide text to and from the device's ANSI code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class CodePage {
 public:
  virtual ~CodePage() = default;
  // Converts to the ANSI code page; characters it lacks become its default character.
  [[nodiscard]] virtual std::string ToAnsi(std::wstring_view text) = 0;
  // Converts ANSI text back to wide text.
  [[nodiscard]] virtual std::wstring FromAnsi(std::string_view text) = 0;
};

}  // namespace platform
