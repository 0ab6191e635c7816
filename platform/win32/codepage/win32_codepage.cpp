#include "platform/win32/codepage/win32_codepage.h"

#include <charconv>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

std::unique_ptr<Win32CodePage> Win32CodePage::Open(const DeviceFolder& device, std::string& error) {
  unsigned number = kDefaultCodePage;
  if (const std::optional<std::string> setting = ReadDeviceSetting(device, "codepage"); setting && !setting->empty()) {
    const char* end = setting->data() + setting->size();
    if (std::from_chars(setting->data(), end, number).ptr != end) {
      error = "device.ini: codepage \"" + *setting + "\" is not a code page number";
      return nullptr;
    }
    if (!IsValidCodePage(number)) {
      error = "device.ini: codepage " + *setting + " is not a code page Windows knows";
      return nullptr;
    }
  }
  return std::unique_ptr<Win32CodePage>(new Win32CodePage(number));
}

std::string Win32CodePage::ToAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // UTF-7 and UTF-8 take no flags and no default character.
  const bool unicode = number_ == CP_UTF7 || number_ == CP_UTF8;
  const DWORD flags = unicode ? 0 : WC_NO_BEST_FIT_CHARS;
  const int bytes = WideCharToMultiByte(number_, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(number_, flags, text.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring Win32CodePage::FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int chars = MultiByteToWideChar(number_, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(number_, 0, text.data(), size, out.data(), chars);
  return out;
}

}  // namespace platform::win32
