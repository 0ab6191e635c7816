// The system's printf-style texts ("copy %s", "%d files has been copied.")
// formatted with one meaning on every platform: %s is a wide string and %d
// a signed 32-bit integer. Flags "-" and "0", a width and, for %s, a
// precision are understood; %u, %x, %X and %c too. Extra directives print
// nothing, extra arguments are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace initap {

class FormatArg {
 public:
  FormatArg(std::wstring_view text) : text_(text), isText_(true) {}
  FormatArg(const std::wstring& text) : text_(text), isText_(true) {}
  FormatArg(const wchar_t* text) : text_(text ? text : L""), isText_(true) {}
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  FormatArg(T number) : number_(static_cast<std::int64_t>(number)) {}

  bool IsText() const { return isText_; }
  std::wstring_view Text() const { return text_; }
  std::int64_t Number() const { return number_; }

 private:
  std::wstring_view text_;
  std::int64_t number_ = 0;
  bool isText_ = false;
};

[[nodiscard]] std::wstring FormatTextArgs(std::wstring_view format, const FormatArg* args, std::size_t count);

template <typename... Args>
[[nodiscard]] std::wstring FormatText(std::wstring_view format, const Args&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
  return FormatTextArgs(format, list, sizeof...(Args));
}

}  // namespace initap
