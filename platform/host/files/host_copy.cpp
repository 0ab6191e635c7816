// Copies and replacements: written beside the destination, renamed into place.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/host/files/confined_open.h"
#include "platform/host/files/copy_data.h"
#include "platform/host/files/host_files.h"
#include "platform/host/files/temp_file.h"

namespace platform::host {

namespace {

// The destination's folder and what is there now, for a file about to be put in place.
FileStatus PrepareDestination(const PathResolver& resolver, std::wstring_view path, HostLocation& where, int& folder,
                              EntryStat& existing) {
  if (const FileStatus status = resolver.ResolveEntry(path, where); status != FileStatus::Ok) return status;
  if (where.IsBase()) return FileStatus::AccessDenied;
  if (!where.parentFound) return FileStatus::PathNotFound;
  if (where.namesFolder) return where.found ? FileStatus::AccessDenied : FileStatus::InvalidName;
  // The name is taken on the PC by what the device does not see.
  if (where.shadowed) return FileStatus::AccessDenied;
  folder = where.parentFolder.Get();
  // A link is replaced itself; what it leads to only decides whether that is allowed.
  existing = {};
  if (where.found && !S_ISLNK(where.entry.mode)) existing = where.entry;
  if (where.target) {
    struct stat st {};
    if (fstat(where.target.Get(), &st) != 0) return StatusOfErrno(errno);
    existing = EntryStat{st.st_mode, st.st_dev, st.st_ino};
  }
  if (S_ISDIR(existing.mode)) return FileStatus::AccessDenied;
  return FileStatus::Ok;
}

}  // namespace

FileStatus HostFileSystem::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  UniqueFd from;
  struct stat sourceStat {};
  if (const FileStatus status = OpenForRead(source, from, sourceStat); status != FileStatus::Ok) return status;

  HostLocation to;
  int folder = -1;
  EntryStat existing;
  if (const FileStatus status = PrepareDestination(resolver_, destination, to, folder, existing);
      status != FileStatus::Ok) {
    return status;
  }
  if (to.found && failIfExists) return FileStatus::FileExists;
  // A file copied onto itself stays as it is: it is open for reading.
  if (to.found && existing.device == sourceStat.st_dev && existing.inode == sourceStat.st_ino) {
    return FileStatus::AccessDenied;
  }

  TempFile temp(folder, resolver_.Names());
  if (const FileStatus status = temp.Create(to.name, sourceStat.st_mode & 0777); status != FileStatus::Ok) {
    return status;
  }
  const auto size = static_cast<std::uint64_t>(sourceStat.st_size);
  if (const int error = CopyData(from.Get(), temp.Fd(), size); error != 0) return WriteStatusOfErrno(error);
  // The copy keeps the source's time of last change, as the device's copy does.
  const timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
  futimens(temp.Fd(), times);
  // The name must never reach the volume ahead of the data, or a power cut
  // leaves it on an empty file.
  if (const int error = WriteBack(temp.Fd()); error != 0) return WriteStatusOfErrno(error);
  return temp.PutInPlace(to.name, !failIfExists);
}

FileStatus HostFileSystem::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  HostLocation where;
  int folder = -1;
  EntryStat existing;
  if (const FileStatus status = PrepareDestination(resolver_, path, where, folder, existing);
      status != FileStatus::Ok) {
    return status;
  }
  TempFile temp(folder, resolver_.Names());
  const unsigned mode = where.found && existing.mode != 0 ? existing.mode & 0777 : 0666;
  if (const FileStatus status = temp.Create(where.name, mode); status != FileStatus::Ok) return status;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(temp.Fd(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return WriteStatusOfErrno(errno);
    done += static_cast<std::size_t>(n);
  }
  if (fsync(temp.Fd()) != 0) return WriteStatusOfErrno(errno);
  if (const FileStatus status = temp.PutInPlace(where.name, true); status != FileStatus::Ok) return status;
  // The rename itself reaches the volume with the folder. Some file systems
  // cannot flush a folder at all; only a failing volume is reported.
  const UniqueFd folderForSync = OpenInside(folder, ".", O_RDONLY | O_DIRECTORY);
  if (folderForSync && fsync(folderForSync.Get()) != 0 && errno == EIO) return FileStatus::WriteFault;
  return FileStatus::Ok;
}

}  // namespace platform::host
