#include "platform/win32/wide_text.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {

std::string WideToCodePage(std::wstring_view text, unsigned codePage, bool noBestFit) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const DWORD flags = noBestFit ? WC_NO_BEST_FIT_CHARS : 0;
  const int bytes = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring CodePageToWide(std::string_view text, unsigned codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int chars = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), chars);
  return out;
}

std::string ToUtf8(std::wstring_view text) { return WideToCodePage(text, CP_UTF8); }

std::wstring FromUtf8(std::string_view text) { return CodePageToWide(text, CP_UTF8); }

}  // namespace platform::win32
