#include "platform/host/files/confined_open.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace platform::host {

UniqueFd OpenInside(int base, const std::string& path, int flags, unsigned mode) {
  open_how how{};
  how.flags = static_cast<unsigned>(flags | O_CLOEXEC);
  how.mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? mode : 0;
  how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
  // The kernel answers EAGAIN when a rename elsewhere raced with the lookup.
  for (int attempt = 0; attempt < 64; ++attempt) {
    const long fd = syscall(SYS_openat2, base, path.c_str(), &how, sizeof how);
    if (fd >= 0) return UniqueFd(static_cast<int>(fd));
    if (errno != EINTR && errno != EAGAIN) break;
  }
  return UniqueFd();
}

std::optional<std::string> RealPathOf(int fd) {
  std::error_code error;
  std::filesystem::path real = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
  if (error) return std::nullopt;
  return real.string();
}

std::string JoinHostPath(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  return folder + "/" + name;
}

FileStatus StatusOfErrno(int error) {
  switch (error) {
    case ENOENT: return FileStatus::FileNotFound;
    case ENOTDIR:
    case ELOOP: return FileStatus::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
    case ETXTBSY:
    case EXDEV: return FileStatus::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return FileStatus::DiskFull;
    case EEXIST: return FileStatus::AlreadyExists;
    case ENOTEMPTY: return FileStatus::DirectoryNotEmpty;
    case ENAMETOOLONG: return FileStatus::InvalidName;
    default: return FileStatus::Failed;
  }
}

FileStatus WriteStatusOfErrno(int error) {
  return StatusOfErrno(error) == FileStatus::DiskFull ? FileStatus::DiskFull : FileStatus::WriteFault;
}

}  // namespace platform::host
