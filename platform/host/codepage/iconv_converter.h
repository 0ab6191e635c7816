// One open iconv conversion, closed when destroyed.
#pragma once

#include <string>
#include <string_view>

namespace platform::host {

class IconvConverter {
 public:
  // Opens the conversion from `from` to `to`; Valid() tells whether iconv knows both.
  IconvConverter(const char* to, const char* from);
  ~IconvConverter();
  IconvConverter(IconvConverter&& other) noexcept;
  IconvConverter& operator=(IconvConverter&& other) noexcept;
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  bool Valid() const { return handle_ != nullptr; }

  // Converts `input`; each input unit of `unitBytes` bytes that cannot be
  // converted (or an incomplete one at the end) is replaced by `replacement`.
  // Not thread-safe: the conversion keeps shift state between calls.
  std::string Convert(std::string_view input, std::size_t unitBytes, std::string_view replacement);

 private:
  // The open iconv_t; null when the conversion is unknown.
  void* handle_ = nullptr;
};

}  // namespace platform::host
