#include "platform/host/regular_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::host {

bool IsRegularFile(int file) {
  struct stat st {};
  return fstat(file, &st) == 0 && S_ISREG(st.st_mode);
}

UniqueFd OpenRegularFile(const std::filesystem::path& file, int flags, unsigned mode) {
  UniqueFd opened(open(file.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
  if (opened && !IsRegularFile(opened.Get())) {
    opened.Reset();
    errno = EACCES;
  } else if (!opened && errno == ENXIO) {
    errno = EACCES;  // a FIFO that nobody reads
  }
  return opened;
}

std::optional<std::string> ReadRegularFile(const std::filesystem::path& file) {
  UniqueFd opened = OpenRegularFile(file, O_RDONLY);
  if (!opened) return std::nullopt;
  std::string bytes;
  char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = read(opened.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;  // close must not hide why
      opened.Reset();
      errno = error;
      return std::nullopt;
    }
    if (n == 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

FdReadBuffer::int_type FdReadBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  ssize_t n = 0;
  do {
    n = read(file_.Get(), buffer_, sizeof buffer_);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return traits_type::eof();
  setg(buffer_, buffer_, buffer_ + n);
  return traits_type::to_int_type(*gptr());
}

}  // namespace platform::host
