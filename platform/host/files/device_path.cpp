#include "platform/host/files/device_path.h"

#include "platform/common/name_case.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The characters that no name on the device's file systems may hold.
bool RefusedInName(wchar_t c) {
  return c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L':';
}

}  // namespace

FileStatus ParseDevicePath(std::wstring_view path, DevicePath& parsed) {
  parsed = {};
  if (path.empty()) return FileStatus::PathNotFound;
  if (WideUnits(path) >= kPathCapacity) return FileStatus::InvalidName;
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

std::wstring ComparableDevicePath(std::wstring_view path) {
  DevicePath parsed;
  if (ParseDevicePath(path, parsed) != FileStatus::Ok) return {};
  std::string joined;
  for (const std::string& name : parsed.names) joined += "\\" + name;
  return FoldName(FromUtf8(joined.empty() ? "\\" : joined));
}

std::optional<std::wstring_view> ListedFolder(std::wstring_view pattern) {
  const std::size_t separator = pattern.find_last_of(L"\\/");
  const std::wstring_view last = separator == std::wstring_view::npos ? pattern : pattern.substr(separator + 1);
  if (last != L"*.*" && last != L"*") return std::nullopt;
  if (separator == std::wstring_view::npos || separator == 0) return std::wstring_view(L"\\");
  return pattern.substr(0, separator + 1);
}

}  // namespace platform::host
