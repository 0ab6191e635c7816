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
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = ".initap-" + processNumber + "-" + std::to_string(tempNumber++) + ".tmp";
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

FileStatus TempFile::PutInPlace(const std::string& name, bool replace) {
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
