#include "platform/host/files/device_path.h"

#include <locale.h>
#include <wctype.h>

#include "platform/host/utf8.h"

namespace platform::host {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The characters that no name on the device's file systems may hold.
bool RefusedInName(wchar_t c) {
  return c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L':';
}

wchar_t FoldChar(wchar_t c) {
  if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
  // The Unicode case table, whatever locale the process runs in.
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  if (unicode != locale_t{}) return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), unicode));
  // Without that locale: Latin-1 letters at least.
  return c >= 0xC0 && c <= 0xDE && c != 0xD7 ? static_cast<wchar_t>(c + 32) : c;
}

}  // namespace

FileStatus ParseDevicePath(std::wstring_view path, DevicePath& parsed) {
  parsed = {};
  if (path.empty()) return FileStatus::PathNotFound;
  if (path.size() >= kMaxDevicePath) return FileStatus::InvalidName;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::wstring_view name = path.substr(start, end - start);
    const bool last = end >= path.size();
    if (name.empty() || name == L".") {
      parsed.namesFolder = last;
    } else if (name == L"..") {
      if (!parsed.names.empty()) parsed.names.pop_back();
      parsed.namesFolder = last;
    } else {
      for (wchar_t c : name) {
        if (RefusedInName(c)) return FileStatus::InvalidName;
      }
      std::string utf8 = ToUtf8(name);
      if (utf8.size() > kMaxNameBytes) return FileStatus::InvalidName;
      parsed.names.push_back(std::move(utf8));
      parsed.namesFolder = false;
    }
    start = end + 1;
  }
  return FileStatus::Ok;
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring folded(text);
  for (wchar_t& c : folded) c = FoldChar(c);
  return folded;
}

}  // namespace platform::host
