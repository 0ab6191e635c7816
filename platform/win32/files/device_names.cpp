#include "platform/win32/files/device_names.h"

#include <algorithm>
#include <array>
#include <cwctype>

#include "platform/common/path_limits.h"

namespace platform::win32 {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The characters that no name on the device's file systems may hold.
bool RefusedInName(wchar_t c) {
  return c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L':';
}

// Windows opens a device, not a file, under these names, whatever the
// extension: on Wine, COM1 is the host's serial port.
bool IsDosDeviceName(std::wstring_view name) {
  std::wstring base(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (wchar_t& c : base) c = static_cast<wchar_t>(std::towupper(c));
  static constexpr std::array<std::wstring_view, 6> kWhole = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  if (std::find(kWhole.begin(), kWhole.end(), base) != kWhole.end()) return true;
  return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && base[3] >= L'0' &&
         base[3] <= L'9';
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

FileStatus ParseDeviceNames(std::wstring_view path, DeviceNames& parsed) {
  parsed = {};
  if (path.empty()) return FileStatus::PathNotFound;
  if (path.size() >= kPathCapacity) return FileStatus::InvalidName;
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
      if (name.size() > kLongestName || std::any_of(name.begin(), name.end(), RefusedInName)) {
        return FileStatus::InvalidName;
      }
      if (name.back() == L'.' || name.back() == L' ' || IsDosDeviceName(name)) return FileStatus::InvalidName;
      parsed.names.emplace_back(name);
      parsed.namesFolder = false;
    }
    start = end + 1;
  }
  return FileStatus::Ok;
}

}  // namespace platform::win32
