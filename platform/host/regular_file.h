// Files of the device folder, opened only when they are regular files: a
// FIFO or a device node in their place fails the open, as on the device, and
// never blocks it.
#pragma once

#include <filesystem>
#include <optional>
#include <streambuf>
#include <string>

#include "platform/host/unique_fd.h"

namespace platform::host {

// Opens `file` without blocking (O_CLOEXEC and O_NOCTTY added); `mode`
// applies when it is created. An empty UniqueFd with errno set on failure,
// EACCES when it is no regular file.
UniqueFd OpenRegularFile(const std::filesystem::path& file, int flags, unsigned mode = 0);

// True when the open `file` is a regular file.
bool IsRegularFile(int file);

// The bytes of `file`; none with errno set when it is missing (ENOENT), no
// regular file or cannot be read.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& file);

// An open file read through std::istream, a buffer at a time.
class FdReadBuffer final : public std::streambuf {
 public:
  explicit FdReadBuffer(UniqueFd file) : file_(std::move(file)) {}

 protected:
  int_type underflow() override;

 private:
  UniqueFd file_;
  char buffer_[16 * 1024];
};

}  // namespace platform::host
