#include "platform/host/files/folder_names.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

#include "platform/common/name_case.h"
#include "platform/host/files/confined_open.h"
#include "platform/host/files/device_entry.h"
#include "platform/host/files/device_path.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// Folders whose names are kept: every folder on the way of a copy's source
// and destination is looked at, so a deep tree's ancestors all stay.
constexpr std::size_t kKeptFolders = 32;

std::wstring FoldedName(const std::string& name) { return FoldName(FromUtf8(name)); }

void Remove(std::unordered_multimap<std::wstring, std::string>& names, const std::string& name) {
  auto [first, last] = names.equal_range(FoldedName(name));
  for (auto it = first; it != last; ++it) {
    if (it->second == name) {
      names.erase(it);
      return;
    }
  }
}

void Add(std::unordered_multimap<std::wstring, std::string>& names, const std::string& name) {
  if (!HoldsDeviceName(name)) return;
  std::wstring folded = FoldedName(name);
  auto [first, last] = names.equal_range(folded);
  for (auto it = first; it != last; ++it) {
    if (it->second == name) return;
  }
  names.emplace(std::move(folded), name);
}

}  // namespace

bool FolderNames::Take(int folder, Stamp& stamp) {
  struct stat st {};
  if (fstat(folder, &st) != 0) return false;
  stamp = {st.st_dev, st.st_ino, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
  return true;
}

FolderNames::Folder* FolderNames::Known(const Stamp& stamp) {
  for (Folder& folder : folders_) {
    if (folder.stamp.SameFolder(stamp)) return &folder;
  }
  return nullptr;
}

FolderNames::Folder* FolderNames::Read(int folder, const Stamp& stamp) {
  UniqueFd listing = OpenInside(folder, ".", O_RDONLY | O_DIRECTORY);
  if (!listing) return nullptr;
  DIR* dir = fdopendir(listing.Get());
  if (dir == nullptr) return nullptr;
  listing.Release();
  std::unordered_multimap<std::wstring, std::string> names;
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (!HoldsDeviceName(entry->d_name)) continue;
    names.emplace(FoldedName(entry->d_name), entry->d_name);
  }
  closedir(dir);

  Folder* kept = Known(stamp);
  if (kept == nullptr) {
    if (folders_.size() < kKeptFolders) {
      kept = &folders_.emplace_back();
    } else {
      kept = &folders_.front();
      for (Folder& candidate : folders_) {
        if (candidate.lastUse < kept->lastUse) kept = &candidate;
      }
    }
  }
  kept->stamp = stamp;
  kept->names = std::move(names);
  return kept;
}

std::optional<std::string> FolderNames::Find(int folder, const std::wstring& folded, std::vector<std::string>& twins,
                                             bool* shadowed) {
  twins.clear();
  std::lock_guard guard(lock_);
  Stamp stamp;
  if (!Take(folder, stamp)) return std::nullopt;
  Folder* known = Known(stamp);
  // Names read before the folder last changed are read again; the stamp taken
  // before reading makes a change during the reading show next time.
  if (known == nullptr || !known->stamp.SameTime(stamp)) {
    known = Read(folder, stamp);
    if (known == nullptr) return std::nullopt;
  }
  known->lastUse = ++uses_;
  auto [found, end] = known->names.equal_range(folded);
  const std::string* seen = nullptr;
  for (auto it = found; it != end; ++it) {
    if (hiddenTwins_.count({stamp.device, stamp.inode, it->second}) != 0) continue;
    // UTF-8 bytes sort as their code points do.
    if (seen == nullptr || it->second < *seen) seen = &it->second;
  }
  if (seen == nullptr) {
    if (shadowed != nullptr) *shadowed = found != end;
    return std::nullopt;
  }
  for (auto it = found; it != end; ++it) {
    if (&it->second == seen || !hiddenTwins_.emplace(stamp.device, stamp.inode, it->second).second) continue;
    twins.push_back(it->second);
  }
  return *seen;
}

void FolderNames::HideTwin(int folder, const std::string& name) {
  std::lock_guard guard(lock_);
  Stamp stamp;
  if (Take(folder, stamp)) hiddenTwins_.emplace(stamp.device, stamp.inode, name);
}

bool FolderNames::IsHiddenTwin(int folder, const std::string& name) {
  std::lock_guard guard(lock_);
  Stamp stamp;
  return Take(folder, stamp) && hiddenTwins_.count({stamp.device, stamp.inode, name}) != 0;
}

int FolderNames::Change(int folder, const std::string& removed, const std::string& added,
                        const std::function<int()>& change) {
  std::lock_guard guard(lock_);
  Stamp before;
  Folder* known = Take(folder, before) ? Known(before) : nullptr;
  // Names already out of date are read again when next searched.
  if (known != nullptr && !known->stamp.SameTime(before)) known = nullptr;
  const int result = change();
  const int error = errno;
  if (result == 0 && known != nullptr) {
    Stamp after;
    if (Take(folder, after)) {
      known->stamp = after;
      if (!removed.empty()) Remove(known->names, removed);
      if (!added.empty()) Add(known->names, added);
    } else {
      known->stamp.changedSeconds = -1;  // matches no change time: read again
    }
  }
  errno = error;
  return result;
}

}  // namespace platform::host
