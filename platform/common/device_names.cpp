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
  return c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L':' ||
         IsSeparator(c);
}

// The code point at `at`, a surrogate pair taken together where wchar_t is a 16-bit unit.
char32_t CodePointAt(std::wstring_view text, std::size_t& at) {
  const auto unit = static_cast<char32_t>(text[at++]);
  if (unit >= 0xD800 && unit < 0xDC00 && at < text.size()) {
    const auto low = static_cast<char32_t>(text[at]);
    if (low >= 0xDC00 && low < 0xE000) {
      ++at;
      return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return unit;
}

}  // namespace

NameFault FaultOfName(std::wstring_view name) {
  if (std::any_of(name.begin(), name.end(), RefusedInName)) return NameFault::Character;
  if (!name.empty() && (name.back() == L'.' || name.back() == L' ')) return NameFault::TrailingDotOrSpace;
  if (WideUnits(name) > kLongestName) return NameFault::TooLong;
  return NameFault::None;
}

bool SeenOverTwin(std::wstring_view name, std::wstring_view twin) {
  std::size_t a = 0, b = 0;
  while (a < name.size() && b < twin.size()) {
    const char32_t first = CodePointAt(name, a), second = CodePointAt(twin, b);
    if (first != second) return first < second;
  }
  return a == name.size() && b < twin.size();
}

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
      if (FaultOfName(name) != NameFault::None || (refused != nullptr && refused(name))) {
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
