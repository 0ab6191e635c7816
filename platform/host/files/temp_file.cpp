#include "platform/host/files/temp_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>

#include "platform/host/files/confined_open.h"

namespace platform::host {

namespace {

std::atomic<unsigned> tempNumber{0};
// Only part of a name: a process that forks keeps it, and O_EXCL settles any clash.
const std::string processNumber = std::to_string(getpid());

std::string HiddenName() { return ".initap-" + processNumber + "-" + std::to_string(tempNumber++) + ".tmp"; }

}  // namespace

int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to) {
  if (renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL) return -1;
  // A file system without RENAME_NOREPLACE: a hard link refuses an existing name as well.
  if (linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) != 0) return -1;
  unlinkat(fromFolder, from.c_str(), 0);
  return 0;
}

TempFile::~TempFile() {
  fd_.Reset();
  if (name_.empty() || placed_) return;
  names_.Change(folder_, name_, "", [&] { return unlinkat(folder_, name_.c_str(), 0); });
}

FileStatus TempFile::Create(unsigned mode) {
  fd_ = OpenInside(folder_, ".", O_WRONLY | O_TMPFILE, mode);
  if (fd_) return FileStatus::Ok;
  // Volumes without unnamed files fall back to a hidden name.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return StatusOfErrno(errno);
  return CreateNamed(mode);
}

FileStatus TempFile::CreateNamed(unsigned mode) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = HiddenName();
    const int result = names_.Change(folder_, "", name, [&] {
      fd_ = OpenInside(folder_, name, O_WRONLY | O_CREAT | O_EXCL, mode);
      return fd_ ? 0 : -1;
    });
    if (result == 0) {
      name_ = std::move(name);
      return FileStatus::Ok;
    }
    if (errno != EEXIST) return StatusOfErrno(errno);
  }
  return FileStatus::Failed;
}

int TempFile::LinkAs(const std::string& name) {
  return names_.Change(folder_, "", name, [&] {
    if (linkat(fd_.Get(), "", folder_, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT && errno != EPERM) return -1;
    // Without the privilege to link a descriptor, its /proc name does the same.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.Get());
    return linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW);
  });
}

FileStatus TempFile::PlaceUnnamed(const std::string& name, bool replace) {
  if (LinkAs(name) == 0) {
    placed_ = true;
  } else if (errno != EEXIST || !replace) {
    return errno == EEXIST ? FileStatus::FileExists : StatusOfErrno(errno);
  } else {
    // An existing file is replaced in one rename, from a hidden name that
    // lives only between the link and the rename.
    std::string hidden = HiddenName();
    if (LinkAs(hidden) != 0) return StatusOfErrno(errno);
    name_ = std::move(hidden);
    const int result = names_.Change(folder_, name_, name, [&] {
      return renameat(folder_, name_.c_str(), folder_, name.c_str());
    });
    if (result != 0) return StatusOfErrno(errno);
    placed_ = true;
  }
  if (fd_.Close() != 0) return WriteStatusOfErrno(errno);
  return FileStatus::Ok;
}

FileStatus TempFile::PutInPlace(const std::string& name, bool replace) {
  if (name_.empty()) return PlaceUnnamed(name, replace);
  if (fd_.Close() != 0) return WriteStatusOfErrno(errno);
  const int result = names_.Change(folder_, name_, name, [&] {
    return replace ? renameat(folder_, name_.c_str(), folder_, name.c_str())
                   : RenameNoReplace(folder_, name_, folder_, name);
  });
  if (result != 0) return errno == EEXIST ? FileStatus::FileExists : StatusOfErrno(errno);
  placed_ = true;
  return FileStatus::Ok;
}

}  // namespace platform::host
