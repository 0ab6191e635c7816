#include "platform/host/files/path_resolver.h"

#include <fcntl.h>
#include <sys/stat.h>

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

FileStatus PathResolver::Resolve(std::wstring_view devicePath, HostLocation& where, int targetFlags) const {
  DevicePath parsed;
  if (const FileStatus status = ParseDevicePath(devicePath, parsed); status != FileStatus::Ok) return status;
  where = HostLocation{};
  where.namesFolder = parsed.namesFolder;
  where.base = root_.Get();
  const std::vector<std::string>& names = parsed.names;
  std::size_t first = 0;
  if (!names.empty()) {
    const std::wstring volume = FoldCase(FromUtf8(names.front()));
    for (std::size_t i = 0; i < volumes_.size(); ++i) {
      if (volumes_[i].folded != volume) continue;
      where.base = volumes_[i].folder.Get();
      where.volume = static_cast<int>(i);
      first = 1;
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
  where.target = OpenInside(where.base, JoinHostPath(parent, names[last]), targetFlags);
  if (where.target) {
    where.parent = parent;
    where.name = names[last];
    where.found = !where.namesFolder || IsFolder(where.target);
    return FileStatus::Ok;
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
  for (; folderFd; ++i) {
    const bool isLast = i == last;
    const int flags = isLast ? targetFlags : O_PATH | O_DIRECTORY;
    std::string name = names[i];
    UniqueFd next;
    if (!isLast || folder != parent) next = OpenInside(where.base, JoinHostPath(folder, name), flags);
    bool exists = static_cast<bool>(next);
    if (!exists) {
      if (std::optional<std::string> spelled = names_.Find(folderFd.Get(), FoldCase(FromUtf8(name)))) {
        exists = true;  // perhaps only as a link that leads nowhere
        if (*spelled != name) {
          name = std::move(*spelled);
          next = OpenInside(where.base, JoinHostPath(folder, name), flags);
        }
      }
    }
    if (isLast) {
      where.parent = folder;
      where.parentFolder = std::move(folderFd);
      where.name = name;
      where.target = std::move(next);
      where.found = exists && (!where.namesFolder || IsFolder(where.target));
      return FileStatus::Ok;
    }
    if (!next) break;
    folder = JoinHostPath(folder, name);
    folderFd = std::move(next);
  }
  where.parentFound = false;
  where.name = names[last];
  return FileStatus::Ok;
}

int PathResolver::ParentFolder(HostLocation& where) const {
  if (!where.parentFolder) where.parentFolder = OpenInside(where.base, where.parent, O_PATH | O_DIRECTORY);
  return where.parentFolder.Get();
}

}  // namespace platform::host
