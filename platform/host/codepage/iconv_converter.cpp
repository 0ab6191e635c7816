#include "platform/host/codepage/iconv_converter.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace platform::host {

namespace {

iconv_t Handle(void* handle) { return static_cast<iconv_t>(handle); }

}  // namespace

IconvConverter::IconvConverter(const char* to, const char* from) {
  const iconv_t opened = iconv_open(to, from);
  if (opened != reinterpret_cast<iconv_t>(-1)) handle_ = opened;
}

IconvConverter::~IconvConverter() {
  if (Valid()) iconv_close(Handle(handle_));
}

IconvConverter::IconvConverter(IconvConverter&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

IconvConverter& IconvConverter::operator=(IconvConverter&& other) noexcept {
  if (this != &other) {
    if (Valid()) iconv_close(Handle(handle_));
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

std::string IconvConverter::Convert(std::string_view input, std::size_t unitBytes, std::string_view replacement) {
  std::string out;
  if (!Valid()) return out;
  iconv(Handle(handle_), nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input.data());  // iconv's signature; the input is not written
  std::size_t inLeft = input.size();
  char buffer[1024];
  // Writes the shift sequence back to the initial state, as before a
  // replacement and at the end.
  const auto flush = [&] {
    for (;;) {
      char* at = buffer;
      std::size_t room = sizeof buffer;
      const std::size_t result = iconv(Handle(handle_), nullptr, nullptr, &at, &room);
      out.append(buffer, static_cast<std::size_t>(at - buffer));
      if (result != static_cast<std::size_t>(-1) || errno != E2BIG) return;
    }
  };
  while (inLeft > 0) {
    char* at = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t result = iconv(Handle(handle_), &in, &inLeft, &at, &room);
    out.append(buffer, static_cast<std::size_t>(at - buffer));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    flush();
    out += replacement;
    // EILSEQ: skip the unit that has no conversion; EINVAL: an incomplete unit ends the input.
    const std::size_t skip = errno == EILSEQ ? std::min(unitBytes, inLeft) : inLeft;
    in += skip;
    inLeft -= skip;
  }
  flush();
  return out;
}

}  // namespace platform::host
