#include "platform/win32/codepage/win32_codepage.h"

#include <charconv>

#include "platform/win32/wide_text.h"
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
  // UTF-7 and UTF-8 take no flags and no default character.
  return WideToCodePage(text, number_, number_ != CP_UTF7 && number_ != CP_UTF8);
}

std::wstring Win32CodePage::FromAnsi(std::string_view text) { return CodePageToWide(text, number_); }

}  // namespace platform::win32
