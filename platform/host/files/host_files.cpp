#include "platform/host/files/host_files.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/common/device_names.h"
#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"
#include "platform/host/files/confined_open.h"
#include "platform/host/files/copy_on_write_view.h"
#include "platform/host/files/device_path.h"
#include "platform/host/files/temp_file.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// Only descriptions are read whole; anything larger is refused.
constexpr std::uint64_t kMaxReadFile = 64 * 1024 * 1024;

bool SameFolder(int a, int b) {
  struct stat first {
  }, second{};
  return fstat(a, &first) == 0 && fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

UniqueFd OpenHostFolder(const std::filesystem::path& folder) {
  return UniqueFd(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

// A volume's own folder, which is its mount point on the device: it cannot be
// moved or removed, neither by its name nor through a link to the root.
bool IsVolumeFolder(const PathResolver& resolver, const HostLocation& where) {
  if (where.IsBase()) return true;
  if (where.base != resolver.Root() || !IsVolumeName(FromUtf8(where.name))) return false;
  return where.parent == "." || (where.parentFolder && SameFolder(where.parentFolder.Get(), resolver.Root()));
}

// Unlinks the entry at `path` with `flags`: a file, or with AT_REMOVEDIR an empty folder.
FileStatus RemoveEntry(const PathResolver& resolver, std::wstring_view path, int flags) {
  HostLocation where;
  if (const FileStatus status = resolver.ResolveEntry(path, where); status != FileStatus::Ok) return status;
  if (IsVolumeFolder(resolver, where)) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  const int parent = where.parentFolder.Get();
  const int result =
      resolver.Names().Change(parent, where.name, "", [&] { return unlinkat(parent, where.name.c_str(), flags); });
  if (result == 0) return FileStatus::Ok;
  // A folder that is not empty may also show as EEXIST.
  if (errno == EEXIST || errno == ENOTEMPTY) return FileStatus::DirectoryNotEmpty;
  return StatusOfErrno(errno);
}

}  // namespace

std::unique_ptr<HostFileSystem> HostFileSystem::Open(const DeviceFolder& device, std::string& error) {
  UniqueFd root = OpenHostFolder(device.Root());
  if (!root) {
    error = "no folder root/ in " + device.folder.string();
    return nullptr;
  }
  std::vector<MountedVolume> volumes;
  for (const Mount& mount : device.mounts) {
    const std::string volume = ToUtf8(mount.volume);
    DevicePath parsed;
    if (ParseDevicePath(mount.volume, parsed) != FileStatus::Ok || parsed.names.size() != 1 ||
        parsed.names.front() != volume) {
      error = "mount volume \"" + volume + "\" is not a volume name";
      return nullptr;
    }
    const std::wstring folded = FoldName(mount.volume);
    for (const MountedVolume& other : volumes) {
      if (other.folded == folded) {
        error = "volume \"" + volume + "\" is mounted twice";
        return nullptr;
      }
    }
    UniqueFd folder = OpenHostFolder(mount.hostFolder);
    if (!folder) {
      error = "mount folder " + mount.hostFolder.string() + (errno == ENOTDIR ? " is not a folder" : " does not exist");
      return nullptr;
    }
    volumes.push_back({mount.volume, folded, std::move(folder)});
  }
  return std::unique_ptr<HostFileSystem>(new HostFileSystem(std::move(root), std::move(volumes)));
}

std::unique_ptr<HostFiles> OpenHostFiles(const DeviceFolder& device, std::string& error) {
  std::unique_ptr<HostFileSystem> files = HostFileSystem::Open(device, error);
  if (!files || !device.dryRun) return files;
  return std::make_unique<CopyOnWriteView>(std::move(files));
}

std::vector<std::wstring> HostFileSystem::MountedVolumes() const {
  std::vector<std::wstring> mounted;
  for (const MountedVolume& volume : resolver_.Volumes()) mounted.push_back(volume.folded);
  return mounted;
}

FileStatus HostFileSystem::OpenForRead(std::wstring_view path, UniqueFd& file, struct stat& st) const {
  // Non-blocking, so that a FIFO placed in the device cannot hang the open.
  constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY;
  HostLocation where;
  if (const FileStatus status = resolver_.Resolve(path, where, kFlags); status != FileStatus::Ok) return status;
  if (where.IsBase()) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  // Found but not opened: opening once more tells why.
  file = where.target ? std::move(where.target) : OpenInside(where.base, where.Path(), kFlags);
  if (!file) return errno == ENOENT ? where.Missing() : StatusOfErrno(errno);
  if (fstat(file.Get(), &st) != 0) return StatusOfErrno(errno);
  if (!S_ISREG(st.st_mode)) return FileStatus::AccessDenied;
  if (TooLarge(path, st)) return FileStatus::FileNotFound;
  return FileStatus::Ok;
}

void HostFileSystem::Tell(const HiddenEntry& hidden) const {
  if (HiddenEntryListener* listener = resolver_.Listener()) listener->Hidden(hidden);
}

bool HostFileSystem::TooLarge(std::wstring_view path, const struct stat& st) const {
  if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) <= kLargestFile) return false;
  DeviceNames names;
  if (ParseDeviceNames(path, names) != FileStatus::Ok || names.IsRoot()) return true;
  const std::wstring name = names.names.back();
  names.names.pop_back();
  if (const std::optional<HiddenEntry> hidden =
          HiddenByItself(names.IsRoot() ? L"\\" : names.Below(L""), ToUtf8(name), false, kLargestFile + 1)) {
    Tell(*hidden);
  }
  return true;
}

FileStatus HostFileSystem::TestOpenForRead(std::wstring_view path) {
  UniqueFd file;
  struct stat st {};
  return OpenForRead(path, file, st);
}

FileStatus HostFileSystem::CreateDirectory(std::wstring_view path) {
  HostLocation where;
  if (const FileStatus status = resolver_.ResolveEntry(path, where); status != FileStatus::Ok) return status;
  if (where.IsBase() || where.found) return FileStatus::AlreadyExists;
  if (!where.parentFound) return FileStatus::PathNotFound;
  if (where.shadowed) return FileStatus::AccessDenied;  // taken on the PC by what the device does not see
  const int parent = where.parentFolder.Get();
  const int result =
      resolver_.Names().Change(parent, "", where.name, [&] { return mkdirat(parent, where.name.c_str(), 0777); });
  return result == 0 ? FileStatus::Ok : StatusOfErrno(errno);
}

FileStatus HostFileSystem::RemoveDirectory(std::wstring_view path) {
  return RemoveEntry(resolver_, path, AT_REMOVEDIR);
}

FileStatus HostFileSystem::DeleteFile(std::wstring_view path) {
  // Without AT_REMOVEDIR a folder is refused (EISDIR), as the device refuses it.
  return RemoveEntry(resolver_, path, 0);
}

FileStatus HostFileSystem::MoveFile(std::wstring_view source, std::wstring_view destination) {
  HostLocation from, to;
  if (const FileStatus status = resolver_.ResolveEntry(source, from); status != FileStatus::Ok) return status;
  if (IsVolumeFolder(resolver_, from)) return FileStatus::AccessDenied;
  if (!from.found) return from.Missing();
  if (const FileStatus status = resolver_.ResolveEntry(destination, to); status != FileStatus::Ok) return status;
  if (to.IsBase()) return FileStatus::AlreadyExists;
  if (!to.parentFound) return FileStatus::PathNotFound;
  if (to.shadowed) return FileStatus::AccessDenied;
  const int fromFolder = from.parentFolder.Get();
  const int toFolder = to.parentFolder.Get();
  std::string name = to.name;
  if (to.found) {
    // Only a change of letter case may move a file onto the name it has.
    if (to.name != from.name || !SameFolder(fromFolder, toFolder)) return FileStatus::AlreadyExists;
    if (to.written == to.name) return FileStatus::Ok;
    name = to.written;
  }
  if (RenameNoReplace(fromFolder, from.name, toFolder, name) == 0) return FileStatus::Ok;
  if (errno == EEXIST) return FileStatus::AlreadyExists;
  if (errno == EXDEV) return MoveAcrossVolumes(source, destination);
  return StatusOfErrno(errno);
}

FileStatus HostFileSystem::MoveAcrossVolumes(std::wstring_view source, std::wstring_view destination) {
  // Files move between volumes by copy and delete; folders do not (the copy
  // refuses them), as on the device.
  if (const FileStatus status = CopyFile(source, destination, true); status != FileStatus::Ok) {
    return status == FileStatus::FileExists ? FileStatus::AlreadyExists : status;
  }
  const FileStatus removed = DeleteFile(source);
  if (removed != FileStatus::Ok) DeleteFile(destination);
  return removed;
}

FileStatus HostFileSystem::ReadFile(std::wstring_view path, std::string& bytes) {
  bytes.clear();
  UniqueFd file;
  struct stat st {};
  if (const FileStatus status = OpenForRead(path, file, st); status != FileStatus::Ok) return status;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > kMaxReadFile) return FileStatus::FileTooLarge;
  // One byte more than expected shows the end in the same pass; the file may
  // also have grown since it was measured.
  constexpr std::size_t kLimit = kMaxReadFile + 1;
  bytes.resize(static_cast<std::size_t>(size) + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (done == kLimit) break;
      bytes.resize(std::min(kLimit, 2 * done));
    }
    const ssize_t n = read(file.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      bytes.clear();
      return StatusOfErrno(errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done > kMaxReadFile) {
    bytes.clear();
    return FileStatus::FileTooLarge;
  }
  bytes.resize(done);
  return FileStatus::Ok;
}

FileStatus HostFileSystem::FlushVolume(std::wstring_view path) {
  HostLocation where;
  if (const FileStatus status = resolver_.Resolve(path, where); status != FileStatus::Ok) return status;
  // The deepest folder on the way decides: a volume may be a host mount of its own.
  std::string folder = ".";
  if (where.found || where.IsBase()) {
    folder = where.Path();
  } else if (where.parentFound) {
    folder = where.parent;
  }
  const UniqueFd opened = OpenInside(where.base, folder, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (!opened) return StatusOfErrno(errno);
  return syncfs(opened.Get()) == 0 ? FileStatus::Ok : WriteStatusOfErrno(errno);
}

UniqueFd HostFileSystem::OpenFd(std::wstring_view devicePath, int openFlags) const {
  HostLocation where;
  if (resolver_.Resolve(devicePath, where) != FileStatus::Ok) {
    errno = EINVAL;
    return UniqueFd();
  }
  if (!where.parentFound || (!where.found && (openFlags & O_CREAT) == 0)) {
    errno = ENOENT;
    return UniqueFd();
  }
  if (where.shadowed) {
    errno = EACCES;
    return UniqueFd();
  }
  return OpenInside(where.base, where.Path(), openFlags, 0666);
}

std::optional<std::filesystem::path> HostFileSystem::HostPathOf(std::wstring_view devicePath) const {
  HostLocation where;
  if (resolver_.Resolve(devicePath, where) != FileStatus::Ok || !where.found) return std::nullopt;
  UniqueFd opened = where.IsBase() ? OpenInside(where.base, ".", O_PATH) : std::move(where.target);
  if (!opened) return std::nullopt;
  std::error_code error;
  std::filesystem::path real = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(opened.Get()), error);
  if (error) return std::nullopt;
  return real;
}

}  // namespace platform::host

namespace platform::host {

HeldPath HostFileSystem::Held(std::wstring_view devicePath) const {
  DeviceNames names;
  HostLocation where;
  if (ParseDeviceNames(devicePath, names) != FileStatus::Ok || names.names.empty() ||
      resolver_.ResolveEntry(devicePath, where) != FileStatus::Ok) {
    return {};
  }
  std::wstring top;
  if (where.volume >= 0) top = L"\\" + resolver_.Volumes()[static_cast<std::size_t>(where.volume)].name;
  if (where.IsBase()) return {top, false};
  if (!where.parentFound) {
    // Held as far as it is there, the rest as written.
    const std::wstring last = names.names.back();
    names.names.pop_back();
    HeldPath held = names.names.empty() ? HeldPath{} : Held(names.Below(L""));
    return {held.path + L"\\" + last, false};
  }
  // The folder that holds the last name, wherever links on the way led.
  const std::optional<std::string> folder = RealPathOf(where.parentFolder.Get());
  const std::optional<std::string> base = RealPathOf(where.base);
  if (!folder || !base || !folder->starts_with(*base)) return {};
  std::wstring path = top + FromUtf8(folder->substr(base->size()));
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return {path + L"\\" + FromUtf8(where.name), S_ISLNK(where.entry.mode)};
}

}  // namespace platform::host
