#include "platform/win32/files/device_names.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace platform::win32 {

namespace {

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

FileStatus ParseWindowsDeviceNames(std::wstring_view path, DeviceNames& parsed) {
  return platform::ParseDeviceNames(path, parsed, IsDosDeviceName);
}

}  // namespace platform::win32
