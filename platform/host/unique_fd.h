// An owned file descriptor, closed when destroyed.
#pragma once

#include <utility>

namespace platform::host {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  // The descriptor, still owned; -1 when there is none.
  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Gives up ownership: the caller closes what is returned.
  int Release() { return std::exchange(fd_, -1); }
  // Closes the owned descriptor (if any) and takes `fd` instead.
  void Reset(int fd = -1) {
    if (fd_ >= 0) CloseFd(fd_);
    fd_ = fd;
  }
  // Closes now and reports close's own result, which can carry a late write error.
  int Close() { return fd_ < 0 ? 0 : CloseFd(std::exchange(fd_, -1)); }

 private:
  // close(2), kept out of this header.
  static int CloseFd(int fd);

  int fd_ = -1;
};

}  // namespace platform::host
