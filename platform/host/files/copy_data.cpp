#include "platform/host/files/copy_data.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace platform::host {

namespace {

enum class Way { CopyRange, SendFile, Buffer };

// One kernel call moves up to this much.
constexpr std::size_t kKernelChunk = std::size_t{1} << 30;
constexpr std::size_t kBufferSize = 64 * 1024;

// What a file system answers when it cannot take this way of copying.
bool Refused(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

}  // namespace

int CopyData(int from, int to, std::uint64_t size) {
  Way way = Way::CopyRange;
  std::uint64_t done = 0;
  std::vector<char> buffer;
  while (done < size) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kKernelChunk));
    ssize_t moved = 0;
    if (way == Way::CopyRange) {
      moved = copy_file_range(from, nullptr, to, nullptr, chunk, 0);
    } else if (way == Way::SendFile) {
      moved = sendfile(to, from, nullptr, chunk);
    } else {
      buffer.resize(kBufferSize);
      moved = read(from, buffer.data(), std::min(chunk, buffer.size()));
      for (ssize_t written = 0; moved > 0 && written < moved;) {
        const ssize_t n = write(to, buffer.data() + written, static_cast<std::size_t>(moved - written));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        written += n;
      }
    }
    if (moved < 0) {
      if (errno == EINTR) continue;
      if (way == Way::Buffer || !Refused(errno)) return errno;
      way = way == Way::CopyRange ? Way::SendFile : Way::Buffer;
      continue;
    }
    if (moved == 0) {
      // Some file systems report no data to a kernel copy although there is:
      // a first empty answer is checked by reading.
      if (done > 0 || way == Way::Buffer) return 0;
      way = Way::Buffer;
      continue;
    }
    done += static_cast<std::uint64_t>(moved);
  }
  return 0;
}

int WriteBack(int file) {
  constexpr unsigned kWriteAndWait = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
  if (sync_file_range(file, 0, 0, kWriteAndWait) == 0) return 0;
  if (errno == EIO || errno == ENOSPC) return errno;
  // A file system that cannot write a range back has only the whole flush.
  return fdatasync(file) == 0 ? 0 : errno;
}

}  // namespace platform::host
