#include "platform/win32/files/seen_names.h"

#include <unordered_map>

#include "platform/common/device_names.h"
#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

// Wine shows a host name that Windows cannot hold under a short name of its
// own making, which holds a "~"; the host's name is what the device's rule
// weighs. Outside Wine every name is the file system's own.
std::wstring HostName(const std::wstring& folder, const std::wstring& name) {
  if (name.find(L'~') == std::wstring::npos) return name;
  using UnixName = char*(CDECL*)(LPCWSTR);
  static const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return name;
  char* path = unixName((folder + L"\\" + name).c_str());
  if (path == nullptr) return name;
  const std::string unix(path);
  HeapFree(GetProcessHeap(), 0, path);
  const std::size_t slash = unix.rfind('/');
  return FromUtf8(slash == std::string::npos ? unix : unix.substr(slash + 1));
}

bool Holds(std::wstring_view deviceFolder, const std::wstring& name, bool folder, std::uint64_t size) {
  if (FaultOfName(name) != NameFault::None) return false;
  const std::size_t separator = deviceFolder == L"\\" ? 0 : 1;
  if (WideUnits(deviceFolder) + separator + WideUnits(name) > kLongestPath) return false;
  return folder || size <= kLargestFile;
}

}  // namespace

bool SeenNames::Hidden(const std::wstring& path) {
  std::lock_guard guard(lock_);
  return hiddenTwins_.count(path) != 0;
}

void SeenNames::Hide(const std::wstring& path) {
  std::lock_guard guard(lock_);
  hiddenTwins_.insert(path);
}

std::wstring SeenNames::Spelled(const std::wstring& folder, const std::wstring& name) {
  // One character as a wildcard: the folder's entries of any letter case.
  std::wstring pattern = name;
  pattern.back() = L'?';
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return name;
  const std::wstring folded = FoldName(name);
  std::vector<std::wstring> alike;
  do {
    const std::wstring candidate = found.cFileName;
    if (FoldName(candidate) == folded && FaultOfName(HostName(folder, candidate)) == NameFault::None &&
        !Hidden(folder + L"\\" + candidate)) {
      alike.push_back(candidate);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  if (alike.empty()) return name;
  std::wstring seen = alike.front();
  for (const std::wstring& candidate : alike) {
    if (SeenOverTwin(candidate, seen)) seen = candidate;
  }
  for (const std::wstring& candidate : alike) {
    if (candidate != seen) Hide(folder + L"\\" + candidate);
  }
  return seen;
}

void SeenNames::KeepSeen(const std::wstring& folder, std::wstring_view deviceFolder, std::vector<FindData>& entries) {
  std::vector<FindData> kept;
  std::unordered_map<std::wstring, std::size_t> byFold;
  for (FindData& entry : entries) {
    const bool isFolder = (entry.attributes & kDirectoryAttribute) != 0;
    if (!Holds(deviceFolder, HostName(folder, entry.name), isFolder, entry.size)) continue;
    if (Hidden(folder + L"\\" + entry.name)) continue;
    const auto [known, fresh] = byFold.emplace(FoldName(entry.name), kept.size());
    if (fresh) {
      kept.push_back(std::move(entry));
      continue;
    }
    FindData& other = kept[known->second];
    if (SeenOverTwin(entry.name, other.name)) std::swap(entry, other);
    Hide(folder + L"\\" + entry.name);
  }
  entries = std::move(kept);
}

}  // namespace platform::win32
