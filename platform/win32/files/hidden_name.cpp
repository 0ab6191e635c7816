#include "platform/win32/files/hidden_name.h"

#include <cwchar>
#include <functional>

#include "platform/common/path_limits.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

BY_HANDLE_FILE_INFORMATION Identity(const std::wstring& path, bool& known) {
  BY_HANDLE_FILE_INFORMATION info{};
  UniqueHandle opened(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  known = opened && GetFileInformationByHandle(opened.Get(), &info);
  return info;
}

}  // namespace

std::wstring HiddenBeside(const std::wstring& target) {
  const std::size_t separator = target.find_last_of(L'\\');
  const std::wstring name = target.substr(separator + 1);
  std::wstring hidden = L".initap-" + name + L".tmp";
  if (hidden.size() > kLongestName) {
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(std::hash<std::wstring>{}(name)));
    hidden = std::wstring(L".initap-") + digits + L".tmp";
  }
  return target.substr(0, separator + 1) + hidden;
}

bool SameEntry(const std::wstring& first, const std::wstring& second) {
  bool firstKnown = false, secondKnown = false;
  const BY_HANDLE_FILE_INFORMATION a = Identity(first, firstKnown);
  const BY_HANDLE_FILE_INFORMATION b = Identity(second, secondKnown);
  return firstKnown && secondKnown && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace platform::win32
