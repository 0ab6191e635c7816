#include "platform/host/files/path_resolver.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/common/name_case.h"
#include "platform/host/files/device_path.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

bool IsFolder(const UniqueFd& fd) {
  struct stat st {};
  return fd && fstat(fd.Get(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::optional<std::string> PathResolver::Spelled(int folder, std::wstring_view deviceFolder, const std::string& name,
                                                 bool* shadowed) const {
  std::vector<std::string> twins;
  std::optional<std::string> spelled = names_.Find(folder, FoldName(FromUtf8(name)), twins, shadowed);
  if (listener_ != nullptr) {
    for (const std::string& twin : twins) listener_->Hidden(HiddenTwin(deviceFolder, twin, *spelled));
  }
  return spelled;
}

UniqueFd PathResolver::Open(int base, const std::string& path, int flags) const {
  UniqueFd opened = OpenInside(base, path, flags);
  if (!opened || volumes_.empty() || base != root_.Get() || !rootPath_) return opened;
  const std::optional<std::string> real = RealPathOf(opened.Get());
  if (!real || !real->starts_with(*rootPath_ + "/")) return opened;
  const std::string top =
      real->substr(rootPath_->size() + 1, real->find('/', rootPath_->size() + 1) - rootPath_->size() - 1);
  for (const MountedVolume& volume : volumes_) {
    if (volume.folded == FoldName(FromUtf8(top))) {
      errno = ENOENT;
      return UniqueFd();
    }
  }
  return opened;
}

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

  // Name by name, each as the device sees it in its folder.
  std::string folder = ".";
  std::wstring deviceFolder;
  for (std::size_t i = 0; i < first; ++i) deviceFolder += L"\\" + FromUtf8(names[i]);
  UniqueFd folderFd = Open(where.base, folder, O_PATH | O_DIRECTORY);
  for (std::size_t i = first; folderFd && i < last; ++i) {
    const std::optional<std::string> spelled = Spelled(folderFd.Get(), deviceFolder, names[i]);
    if (!spelled) {
      folderFd.Reset();
      break;
    }
    folder = JoinHostPath(folder, *spelled);
    deviceFolder += L"\\" + FromUtf8(*spelled);
    folderFd = Open(where.base, folder, O_PATH | O_DIRECTORY);
  }
  where.name = names[last];
  if (!folderFd) {
    where.parentFound = false;
    return FileStatus::Ok;
  }

  where.parent = folder;
  // Looks at the last name: the entry itself, or what it leads to.
  const auto look = [&] {
    if (entry) {
      struct stat st {};
      if (fstatat(folderFd.Get(), where.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
      where.entry = EntryStat{st.st_mode, st.st_dev, st.st_ino};
      return true;
    }
    where.target = Open(where.base, JoinHostPath(folder, where.name), targetFlags);
    return static_cast<bool>(where.target);
  };
  bool exists = false;
  if (std::optional<std::string> spelled = Spelled(folderFd.Get(), deviceFolder, where.name, &where.shadowed)) {
    where.name = std::move(*spelled);
    // A name that is there but opens nowhere is a link that leads nowhere.
    exists = look() || !entry;
  }
  const bool link = entry && exists && S_ISLNK(where.entry.mode);
  if (link) where.target = Open(where.base, JoinHostPath(folder, where.name), O_PATH);
  const bool folderFound = entry && !link ? S_ISDIR(where.entry.mode) : IsFolder(where.target);
  where.found = exists && (!where.namesFolder || folderFound);
  where.parentFolder = std::move(folderFd);
  return FileStatus::Ok;
}

}  // namespace platform::host
