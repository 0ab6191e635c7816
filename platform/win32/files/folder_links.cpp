#include "platform/win32/files/folder_links.h"

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

// The path that `path` really leads to; none when it leads nowhere.
std::optional<std::wstring> FinalPath(const std::wstring& path) {
  UniqueHandle opened(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!opened) return std::nullopt;
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = GetFinalPathNameByHandleW(opened.Get(), final.data(), static_cast<DWORD>(final.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (size == 0) return std::wstring();  // opened, yet nowhere Windows can name
    if (size < final.size()) {
      final.resize(size);
      return final;
    }
    final.resize(size + 1);
  }
}

bool SameOrBelow(const std::wstring& path, const std::wstring& folder) {
  if (path.size() < folder.size()) return false;
  if (CompareStringOrdinal(path.data(), static_cast<int>(folder.size()), folder.data(), static_cast<int>(folder.size()),
                           TRUE) != CSTR_EQUAL) {
    return false;
  }
  return path.size() == folder.size() || path[folder.size()] == L'\\' || folder.back() == L'\\';
}

}  // namespace

std::optional<std::wstring> LinkLeadingOut(const std::wstring& root) {
  const std::optional<std::wstring> rootFinal = FinalPath(root + L"\\");
  if (!rootFinal || rootFinal->empty()) return root;
  std::vector<std::wstring> folders{root};
  while (!folders.empty()) {
    const std::wstring folder = std::move(folders.back());
    folders.pop_back();
    WIN32_FIND_DATAW entry{};
    const HANDLE found = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link that leads nowhere cannot lead out; its target is walked where it lies.
        const std::optional<std::wstring> target = FinalPath(path);
        if (target && !SameOrBelow(*target, *rootFinal)) {
          FindClose(found);
          return path;
        }
      } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(path);
      }
    } while (FindNextFileW(found, &entry));
    FindClose(found);
  }
  return std::nullopt;
}

}  // namespace platform::win32
