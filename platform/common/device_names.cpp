#include "platform/common/device_names.h"

#include <algorithm>

#include "platform/common/name_case.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"

namespace platform {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The characters that no name on the device's file systems may hold.
bool RefusedInName(wchar_t c) {
  return c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L':';
}

}  // namespace

std::wstring DeviceNames::Below(const std::wstring& root) const {
  std::wstring path = root;
  for (const std::wstring& name : names) path += L"\\" + name;
  return path;
}

DeviceNames DeviceNames::WithLast(std::wstring name) const {
  DeviceNames other = *this;
  other.names.back() = std::move(name);
  other.namesFolder = false;
  return other;
}

FileStatus ParseDeviceNames(std::wstring_view path, DeviceNames& parsed, NameRule refused) {
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
      if (WideUnits(name) > kLongestName || std::any_of(name.begin(), name.end(), RefusedInName) ||
          (refused != nullptr && refused(name))) {
        parsed = {};
        return FileStatus::InvalidName;
      }
      parsed.names.emplace_back(name);
      parsed.namesFolder = false;
    }
    start = end + 1;
  }
  return FileStatus::Ok;
}

std::wstring ComparableDevicePath(std::wstring_view path) {
  DeviceNames parsed;
  if (ParseDeviceNames(path, parsed) != FileStatus::Ok) return {};
  return parsed.IsRoot() ? L"\\" : FoldName(parsed.Below(L""));
}

}  // namespace platform
