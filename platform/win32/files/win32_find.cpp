// Listings: a folder's entries, or one path found by itself.
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/common/listing_pattern.h"
#include "platform/common/name_case.h"
#include "platform/common/read_listing.h"
#include "platform/win32/files/file_status.h"
#include "platform/win32/files/win32_files.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

FindData Describe(const WIN32_FIND_DATAW& found) {
  FindData data;
  data.name = found.cFileName;
  const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  data.attributes = folder ? kDirectoryAttribute : kNormalAttribute;
  data.size = folder ? 0 : (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  return data;
}

bool IsFolder(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW((folder + L"\\").c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Wine lists "." and ".." in folders below a drive's root; the device never does.
FileStatus ListFolder(const std::wstring& folder, std::vector<FindData>& entries) {
  if (!IsFolder(folder)) return FileStatus::PathNotFound;
  WIN32_FIND_DATAW found{};
  const HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? FileStatus::Ok : LastStatus();
  }
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") entries.push_back(Describe(found));
  } while (FindNextFileW(listing, &found));
  FindClose(listing);
  return FileStatus::Ok;
}

}  // namespace

FileStatus Win32FileSystem::FindFirst(std::wstring_view pattern, FindData& first,
                                      std::unique_ptr<FindHandle>& listing) {
  listing.reset();
  std::vector<FindData> entries;
  DeviceNames names;
  if (const std::optional<std::wstring_view> folder = ListedFolder(pattern)) {
    if (const FileStatus status = ParseWindowsDeviceNames(*folder, names); status != FileStatus::Ok) return status;
    const std::wstring listed = Below(names);
    if (const FileStatus status = ListFolder(listed, entries); status != FileStatus::Ok) return status;
    seen_.KeepSeen(listed, names.IsRoot() ? L"\\" : names.Below(L""), entries);
    if (names.IsRoot() && !volumes_.empty()) {
      // A mounted folder stands in place of the root's own entry of that name.
      std::erase_if(entries, [this](const FindData& entry) {
        const std::wstring folded = FoldName(entry.name);
        return std::any_of(volumes_.begin(), volumes_.end(),
                           [&](const MountedVolume& volume) { return volume.folded == folded; });
      });
      for (const MountedVolume& volume : volumes_) entries.push_back(FindData{volume.name, kDirectoryAttribute, 0});
    }
    // An empty folder is "no more files", told apart from one that cannot be listed.
    if (entries.empty()) return FileStatus::NoMoreFiles;
  } else {
    if (const FileStatus status = ParseWindowsDeviceNames(pattern, names); status != FileStatus::Ok) return status;
    if (names.IsRoot()) {
      entries.push_back(FindData{L"", kDirectoryAttribute, 0});
    } else if (const MountedVolume* volume = VolumeItself(names)) {
      if (!IsFolder(volume->folder)) return FileStatus::FileNotFound;
      entries.push_back(FindData{volume->name, kDirectoryAttribute, 0});
    } else {
      WIN32_FIND_DATAW found{};
      const HANDLE search = FindFirstFileW(Below(names).c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) return LastStatus();
      FindClose(search);
      entries.push_back(Describe(found));
      if (names.namesFolder && entries.back().attributes != kDirectoryAttribute) return FileStatus::FileNotFound;
    }
  }
  first = std::move(entries.front());
  entries.erase(entries.begin());
  listing = std::make_unique<ReadListing>(std::move(entries));
  return FileStatus::Ok;
}

}  // namespace platform::win32
