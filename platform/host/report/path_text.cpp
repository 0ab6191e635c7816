#include "platform/host/report/path_text.h"

#include "platform/common/device_names.h"
#include "platform/common/name_case.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring OneSeparator(std::wstring_view path) {
  std::wstring out;
  for (wchar_t c : path) {
    if (IsSeparator(c)) {
      if (!out.empty() && out.back() == L'\\') continue;
      c = L'\\';
    }
    out += c;
  }
  return out;
}

}  // namespace

std::wstring Normalized(std::wstring_view path) { return platform::FoldName(OneSeparator(path)); }

std::wstring Tail(std::wstring_view text) {
  for (;;) {
    if (text.starts_with(L"../") || text.starts_with(L"..\\")) {
      text.remove_prefix(3);
    } else if (text.starts_with(L"./") || text.starts_with(L".\\")) {
      text.remove_prefix(2);
    } else {
      return std::wstring(text);
    }
  }
}

bool Mentions(std::wstring_view path, std::wstring_view part) {
  return !part.empty() && Normalized(path).find(Normalized(part)) != std::wstring::npos;
}

std::string Shown(std::wstring_view path) { return ToUtf8(OneSeparator(path)); }

std::string WrittenPath(std::wstring_view path) {
  DeviceNames parsed;
  if (ParseDeviceNames(path, parsed) != FileStatus::Ok) return {};
  return ToUtf8(parsed.Below(L""));
}

std::wstring FolderOf(std::wstring_view path) {
  const std::wstring normal = Normalized(path);
  const std::size_t last = normal.rfind(L'\\');
  return last == std::wstring::npos ? std::wstring() : normal.substr(0, last);
}

}  // namespace platform::host
