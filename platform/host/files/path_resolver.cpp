#include "platform/host/files/path_resolver.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/common/name_case.h"
#include "platform/host/files/device_path.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

std::string Join(const std::vector<std::string>& names, std::size_t first, std::size_t end) {
  std::string path = ".";
  for (std::size_t i = first; i < end; ++i) path = JoinHostPath(path, names[i]);
  return path;
}

bool IsFolder(const UniqueFd& fd) {
  struct stat st {};
  return fd && fstat(fd.Get(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

FileStatus PathResolver::Resolve(std::wstring_view devicePath, HostLocation& where) const {
  return Resolve(devicePath, where, O_PATH);
}

FileStatus PathResolver::Resolve(std::wstring_view devicePath, HostLocation& where, int targetFlags) const {
  return Locate(devicePath, where, false, targetFlags);
}

FileStatus PathResolver::ResolveEntry(std::wstring_view devicePath, HostLocation& where) const {
  return Locate(devicePath, where, true, O_PATH);
}

FileStatus PathResolver::Locate(std::wstring_view devicePath, HostLocation& where, bool entry, int targetFlags) const {
  DevicePath parsed;
  if (const FileStatus status = ParseDevicePath(devicePath, parsed); status != FileStatus::Ok) return status;
  where = HostLocation{};
  where.namesFolder = parsed.namesFolder;
  where.base = root_.Get();
  const std::vector<std::string>& names = parsed.names;
  std::size_t first = 0;
  if (!names.empty()) {
    const std::wstring volume = FoldName(FromUtf8(names.front()));
    for (std::size_t i = 0; i < volumes_.size(); ++i) {
      if (volumes_[i].folded != volume) continue;
      where.base = volumes_[i].folder.Get();
      where.volume = static_cast<int>(i);
      first = 1;
      break;
    }
  }
  where.parentFound = true;
  if (first == names.size()) {
    where.found = true;
    return FileStatus::Ok;
  }
  const std::size_t last = names.size() - 1;
  where.written = names[last];

  // Usually every name is spelled as on the host: one lookup.
  const std::string parent = Join(names, first, last);
  if (!entry) {
    where.target = OpenInside(where.base, JoinHostPath(parent, names[last]), targetFlags);
    if (where.target) {
      where.parent = parent;
      where.name = names[last];
      where.found = !where.namesFolder || IsFolder(where.target);
      return FileStatus::Ok;
    }
  }

  // Otherwise name by name, from the last folder that is spelled as written.
  std::string folder = parent;
  UniqueFd folderFd = OpenInside(where.base, parent, O_PATH | O_DIRECTORY);
  std::size_t i = last;
  if (!folderFd) {
    folder.assign(1, '.');  // the base itself
    folderFd = OpenInside(where.base, folder, O_PATH | O_DIRECTORY);
    i = first;
  }
  for (; folderFd && i < last; ++i) {
    std::string name = names[i];
    UniqueFd next = OpenInside(where.base, JoinHostPath(folder, name), O_PATH | O_DIRECTORY);
    if (!next) {
      std::optional<std::string> spelled = names_.Find(folderFd.Get(), FoldName(FromUtf8(name)), name);
      if (spelled && *spelled != name) {
        name = std::move(*spelled);
        next = OpenInside(where.base, JoinHostPath(folder, name), O_PATH | O_DIRECTORY);
      }
    }
    if (!next) break;
    folder = JoinHostPath(folder, name);
    folderFd = std::move(next);
  }
  if (!folderFd || i < last) {
    where.parentFound = false;
    where.name = names[last];
    return FileStatus::Ok;
  }

  where.parent = folder;
  where.name = names[last];
  // Looks at the last name: the entry itself, or what it leads to.
  const auto look = [&] {
    if (entry) {
      struct stat st {};
      if (fstatat(folderFd.Get(), where.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
      where.entry = EntryStat{st.st_mode, st.st_dev, st.st_ino};
      return true;
    }
    where.target = OpenInside(where.base, JoinHostPath(folder, where.name), targetFlags);
    return static_cast<bool>(where.target);
  };
  // The fast lookup above has tried the name as written in this very folder.
  bool exists = (entry || folder != parent) && look();
  if (!exists) {
    if (std::optional<std::string> spelled = names_.Find(folderFd.Get(), FoldName(FromUtf8(where.name)), where.name)) {
      if (*spelled != where.name) {
        where.name = std::move(*spelled);
        exists = look() || !entry;
      } else {
        // Opening failed although the name is there: a link that leads nowhere.
        // The entry itself was looked at already.
        exists = !entry;
      }
    }
  }
  const bool link = entry && exists && S_ISLNK(where.entry.mode);
  if (link) where.target = OpenInside(where.base, JoinHostPath(folder, where.name), O_PATH);
  const bool folderFound = entry && !link ? S_ISDIR(where.entry.mode) : IsFolder(where.target);
  where.found = exists && (!where.namesFolder || folderFound);
  where.parentFolder = std::move(folderFd);
  return FileStatus::Ok;
}

}  // namespace platform::host
