// Text append streams and binary write streams.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/host/files/confined_open.h"
#include "platform/host/files/host_files.h"
#include "platform/host/regular_file.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// Writes everything, resuming after a partial write. 0 or the errno.
int WriteAll(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Collects what is written, as UTF-8, and hands it to the file in one write at Close:
// with O_APPEND one write lands whole at the end, so lines from two threads
// or processes never mix.
class HostAppendStream final : public AppendStream {
 public:
  explicit HostAppendStream(UniqueFd file) : file_(std::move(file)) {}
  ~HostAppendStream() override { Close(); }

  FileStatus Write(std::wstring_view text) override {
    if (!file_) return FileStatus::WriteFault;
    pending_ += ToUtf8(text);
    return FileStatus::Ok;
  }

  FileStatus Close() override {
    if (!file_) return FileStatus::Ok;
    int error = WriteAll(file_.Get(), pending_);
    // The line is on the volume before Close says it was written; what
    // cannot be flushed at all (not a disk file) has nothing to wait for.
    if (error == 0 && fdatasync(file_.Get()) != 0 && errno != EINVAL) error = errno;
    const int closed = file_.Close();
    if (error != 0) return WriteStatusOfErrno(error);
    pending_.clear();
    return closed == 0 ? FileStatus::Ok : WriteStatusOfErrno(errno);
  }

 private:
  UniqueFd file_;
  std::string pending_;
};

class HostWriteStream final : public WriteStream {
 public:
  explicit HostWriteStream(UniqueFd file) : file_(std::move(file)) {}
  ~HostWriteStream() override { Close(); }

  FileStatus Write(std::string_view bytes) override {
    if (!file_) return FileStatus::WriteFault;
    const int error = WriteAll(file_.Get(), bytes);
    return error == 0 ? FileStatus::Ok : WriteStatusOfErrno(error);
  }

  FileStatus Close() override {
    if (!file_) return FileStatus::Ok;
    const int flushed = fdatasync(file_.Get()) == 0 || errno == EINVAL ? 0 : errno;
    const int closed = file_.Close() == 0 ? 0 : errno;
    if (flushed != 0) return WriteStatusOfErrno(flushed);
    return closed == 0 ? FileStatus::Ok : WriteStatusOfErrno(closed);
  }

 private:
  UniqueFd file_;
};

}  // namespace

FileStatus HostFileSystem::OpenForWrite(std::wstring_view path, int flags, UniqueFd& file) {
  HostLocation where;
  if (const FileStatus status = resolver_.ResolveEntry(path, where); status != FileStatus::Ok) return status;
  if (where.IsBase()) return FileStatus::AccessDenied;
  if (!where.parentFound) return FileStatus::PathNotFound;
  if (where.namesFolder) return where.found ? FileStatus::AccessDenied : FileStatus::InvalidName;
  if (where.shadowed) return FileStatus::AccessDenied;  // taken on the PC by what the device does not see
  // Non-blocking, so that a FIFO placed in the device cannot hang the open.
  const auto open = [&] {
    file = OpenInside(where.base, where.Path(), O_WRONLY | O_CREAT | O_NOCTTY | O_NONBLOCK | flags, 0666);
    return file ? 0 : -1;
  };
  if (where.found) {
    open();
  } else {
    resolver_.Names().Change(where.parentFolder.Get(), "", where.name, open);
  }
  if (!file && errno == ENOENT) return FileStatus::PathNotFound;
  // ENXIO: a FIFO that nobody reads. Only a regular file takes data.
  if (!file) return errno == ENXIO ? FileStatus::AccessDenied : StatusOfErrno(errno);
  if (!IsRegularFile(file.Get())) {
    file.Reset();
    return FileStatus::AccessDenied;
  }
  return FileStatus::Ok;
}

FileStatus HostFileSystem::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  stream.reset();
  UniqueFd file;
  if (const FileStatus status = OpenForWrite(path, O_APPEND, file); status != FileStatus::Ok) return status;
  stream = std::make_unique<HostAppendStream>(std::move(file));
  return FileStatus::Ok;
}

FileStatus HostFileSystem::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  stream.reset();
  UniqueFd file;
  if (const FileStatus status = OpenForWrite(path, O_TRUNC, file); status != FileStatus::Ok) return status;
  stream = std::make_unique<HostWriteStream>(std::move(file));
  return FileStatus::Ok;
}

}  // namespace platform::host
