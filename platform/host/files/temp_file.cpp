#include "platform/host/files/temp_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "platform/host/files/confined_open.h"

namespace platform::host {

namespace {

constexpr std::size_t kLongestName = 255;

// The hidden name beside `name`. It is the same every time, so a file that a
// crash left there is taken over by the next copy to the same destination.
std::string HiddenName(const std::string& name) {
  std::string hidden = ".initap-" + name + ".tmp";
  if (hidden.size() > kLongestName) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016zx", std::hash<std::string>{}(name));
    hidden = std::string(".initap-") + digits + ".tmp";
  }
  return hidden;
}

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
  Unlink(name_);
}

int TempFile::Unlink(const std::string& entry) {
  return names_.Change(folder_, entry, "", [&] { return unlinkat(folder_, entry.c_str(), 0); });
}

FileStatus TempFile::Create(const std::string& name, unsigned mode) {
  fd_ = OpenInside(folder_, ".", O_WRONLY | O_TMPFILE, mode);
  if (fd_) return FileStatus::Ok;
  // Volumes without unnamed files fall back to a hidden name.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return StatusOfErrno(errno);
  return CreateNamed(name, mode);
}

FileStatus TempFile::CreateNamed(const std::string& name, unsigned mode) {
  std::string hidden = HiddenName(name);
  // What a crash left under the hidden name is replaced, never appended to.
  Unlink(hidden);
  const int result = names_.Change(folder_, "", hidden, [&] {
    fd_ = OpenInside(folder_, hidden, O_WRONLY | O_CREAT | O_EXCL, mode);
    return fd_ ? 0 : -1;
  });
  if (result != 0) return StatusOfErrno(errno);
  name_ = std::move(hidden);
  return FileStatus::Ok;
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
    std::string hidden = HiddenName(name);
    int linked = LinkAs(hidden);
    if (linked != 0 && errno == EEXIST) {
      // A crash left a file under the hidden name: it goes.
      Unlink(hidden);
      linked = LinkAs(hidden);
    }
    if (linked != 0) return StatusOfErrno(errno);
    name_ = std::move(hidden);
    const int result =
        names_.Change(folder_, name_, name, [&] { return renameat(folder_, name_.c_str(), folder_, name.c_str()); });
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
