// Listings: a folder's entries, or one path found by itself.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/common/device_names.h"
#include "platform/common/listing_pattern.h"
#include "platform/common/name_case.h"
#include "platform/common/read_listing.h"
#include "platform/host/files/confined_open.h"
#include "platform/host/files/device_entry.h"
#include "platform/host/files/device_path.h"
#include "platform/host/files/host_files.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

FindData Describe(std::wstring name, const struct stat& st) {
  FindData data;
  data.name = std::move(name);
  data.attributes = S_ISDIR(st.st_mode) ? kDirectoryAttribute : kNormalAttribute;
  data.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
  return data;
}

// A link that leads nowhere inside the device shows as an empty file, which
// can still be deleted.
FindData Unreachable(std::wstring name) {
  struct stat st {};
  st.st_mode = S_IFREG;
  return Describe(std::move(name), st);
}

// A folder lists in code point order of its names: the host's own order
// depends on its file system and on what was made there before, and a walk
// that changes what it walks through (a link back up the tree) must meet the
// entries in one order dry and real. `links` keeps pointing at the links.
void SortListing(std::vector<FindData>& entries, std::vector<std::size_t>* links) {
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return entries[a].name < entries[b].name; });
  std::vector<FindData> sorted;
  sorted.reserve(entries.size());
  std::vector<std::size_t> position(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    position[order[i]] = i;
    sorted.push_back(std::move(entries[order[i]]));
  }
  entries = std::move(sorted);
  if (links != nullptr) {
    for (std::size_t& link : *links) link = position[link];
  }
}

}  // namespace

FileStatus HostFileSystem::FindFirst(std::wstring_view pattern, FindData& first, std::unique_ptr<FindHandle>& listing) {
  listing.reset();
  std::vector<FindData> entries;
  if (const std::optional<std::wstring_view> folder = ListedFolder(pattern)) {
    if (const FileStatus status = ListFolder(*folder, entries, nullptr); status != FileStatus::Ok) return status;
    // An empty folder is "no more files", told apart from one that cannot be listed.
    if (entries.empty()) return FileStatus::NoMoreFiles;
  } else {
    FindData found;
    if (const FileStatus status = FindPath(pattern, found); status != FileStatus::Ok) return status;
    entries.push_back(std::move(found));
  }
  first = std::move(entries.front());
  entries.erase(entries.begin());
  listing = std::make_unique<ReadListing>(std::move(entries));
  return FileStatus::Ok;
}

FileStatus HostFileSystem::ListFolder(std::wstring_view folder, std::vector<FindData>& entries,
                                      std::vector<std::size_t>* links, std::wstring_view askedAs) {
  HostLocation where;
  if (const FileStatus status = resolver_.Resolve(folder, where); status != FileStatus::Ok) return status;
  if (!where.found) return FileStatus::PathNotFound;
  const std::string path = where.Path();
  UniqueFd opened = OpenInside(where.base, path, O_RDONLY | O_DIRECTORY);
  if (!opened) return errno == ENOENT || errno == ENOTDIR ? FileStatus::PathNotFound : StatusOfErrno(errno);
  DIR* dir = fdopendir(opened.Get());
  if (dir == nullptr) return StatusOfErrno(errno);
  const int dirFd = opened.Release();

  const bool deviceRoot = where.IsBase() && where.volume < 0;
  const std::vector<MountedVolume>& volumes = resolver_.Volumes();
  DeviceNames listed;
  std::ignore = ParseDeviceNames(askedAs.empty() ? folder : askedAs, listed);
  const std::wstring deviceFolder = listed.IsRoot() ? L"\\" : listed.Below(L"");
  std::vector<std::string> hostNames;
  std::vector<bool> isLink;
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    std::wstring name = FromUtf8(entry->d_name);
    if (deviceRoot) {
      const std::wstring folded = FoldName(name);
      bool mounted = false;
      for (const MountedVolume& volume : volumes) mounted = mounted || volume.folded == folded;
      if (mounted) continue;  // the mounted folder stands in its place
    }
    struct stat st {};
    if (fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    const bool link = S_ISLNK(st.st_mode);
    if (link) {
      // Followed inside the device only, never by the host's rules.
      const UniqueFd target = resolver_.Open(where.base, JoinHostPath(path, entry->d_name), O_PATH);
      if (!target || fstat(target.Get(), &st) != 0) st = {};
    }
    if (const std::optional<HiddenEntry> hidden =
            HiddenByItself(deviceFolder, entry->d_name, S_ISDIR(st.st_mode), static_cast<std::uint64_t>(st.st_size))) {
      Tell(*hidden);
      continue;
    }
    if (resolver_.Names().IsHiddenTwin(dirFd, entry->d_name)) continue;
    hostNames.emplace_back(entry->d_name);
    isLink.push_back(link);
    entries.push_back(st.st_mode == 0 ? Unreachable(std::move(name)) : Describe(std::move(name), st));
  }
  // Of names alike but for letter case the device sees one; UTF-8 bytes sort as their code points do.
  std::unordered_map<std::wstring, std::size_t> seen;
  std::vector<bool> twin(entries.size(), false);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto [known, fresh] = seen.emplace(FoldName(entries[i].name), i);
    if (fresh) continue;
    const bool before = hostNames[i] < hostNames[known->second];
    const std::size_t hidden = before ? known->second : i;
    if (before) known->second = i;
    twin[hidden] = true;
    resolver_.Names().HideTwin(dirFd, hostNames[hidden]);
    Tell(HiddenTwin(deviceFolder, hostNames[hidden], hostNames[known->second]));
  }
  closedir(dir);  // the twins are hidden by the folder it holds open
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (twin[i]) continue;
    if (links != nullptr && isLink[i]) links->push_back(kept);
    if (kept != i) entries[kept] = std::move(entries[i]);
    ++kept;
  }
  entries.resize(kept);
  if (deviceRoot) {
    struct stat folderStat {};
    folderStat.st_mode = S_IFDIR;
    for (const MountedVolume& volume : volumes) entries.push_back(Describe(volume.name, folderStat));
  }
  SortListing(entries, links);
  return FileStatus::Ok;
}

FileStatus HostFileSystem::LookAt(std::wstring_view path, Entry& entry) const {
  entry = {};
  HostLocation where;
  if (const FileStatus status = resolver_.ResolveEntry(path, where); status != FileStatus::Ok) return status;
  if (where.IsBase()) {
    entry.kind = Entry::Kind::Folder;
    if (where.volume >= 0) entry.name = resolver_.Volumes()[static_cast<std::size_t>(where.volume)].name;
    return FileStatus::Ok;
  }
  if (!where.found) return FileStatus::Ok;
  entry.name = FromUtf8(where.name);
  if (S_ISLNK(where.entry.mode)) {
    entry.kind = Entry::Kind::Link;
    std::string text(PATH_MAX, '\0');
    const ssize_t length = readlinkat(where.parentFolder.Get(), where.name.c_str(), text.data(), text.size());
    if (length < 0) return StatusOfErrno(errno);
    text.resize(static_cast<std::size_t>(length));
    entry.linkText = std::move(text);
  } else {
    entry.kind = S_ISDIR(where.entry.mode) ? Entry::Kind::Folder : Entry::Kind::File;
  }
  return FileStatus::Ok;
}

FileStatus HostFileSystem::FindPath(std::wstring_view path, FindData& found) {
  HostLocation where;
  if (const FileStatus status = resolver_.Resolve(path, where); status != FileStatus::Ok) return status;
  if (!where.found) return where.Missing();
  std::wstring name = FromUtf8(where.name);
  if (where.IsBase() && where.volume >= 0) name = resolver_.Volumes()[static_cast<std::size_t>(where.volume)].name;
  struct stat st {};
  if (where.IsBase() || where.namesFolder) {
    st.st_mode = S_IFDIR;  // found as a folder already
  } else if (!where.target || fstat(where.target.Get(), &st) != 0) {
    found = Unreachable(std::move(name));
    return FileStatus::Ok;
  }
  if (TooLarge(path, st)) return FileStatus::FileNotFound;
  found = Describe(std::move(name), st);
  return FileStatus::Ok;
}

}  // namespace platform::host
