// The device's ANSI code page (device.ini "codepage", 1252 by default),
// converted by Windows without best-fit: a character the code page lacks
// becomes "?", never a look-alike ("a" for "ä").
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/win32/device_folder.h"

namespace platform::win32 {

inline constexpr unsigned kDefaultCodePage = 1252;

class Win32CodePage final : public CodePage {
 public:
  // The device's code page; null with a one-line `error` when Windows does not know it.
  static std::unique_ptr<Win32CodePage> Open(const DeviceFolder& device, std::string& error);

  std::string ToAnsi(std::wstring_view text) override;
  // Bytes that are no character of the code page become U+FFFD.
  std::wstring FromAnsi(std::string_view text) override;

  unsigned Number() const { return number_; }

 private:
  explicit Win32CodePage(unsigned number) : number_(number) {}

  unsigned number_;
};

}  // namespace platform::win32
