#include "tests/support/open_gate.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/fanotify.h>
#include <unistd.h>

namespace initap::test {

namespace {

using Clock = std::chrono::steady_clock;

std::string PathOf(int fd) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
  return error ? std::string() : path.string();
}

}  // namespace

OpenGate::OpenGate(const std::filesystem::path& mountPoint) : mount_(mountPoint) {
  group_ = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE | O_CLOEXEC);
  if (group_ < 0) {
    why_ = std::string("no fanotify permission events: ") + strerror(errno);
    return;
  }
  if (fanotify_mark(group_, FAN_MARK_ADD | FAN_MARK_MOUNT, FAN_OPEN_PERM | FAN_ACCESS_PERM, AT_FDCWD,
                    mountPoint.c_str()) != 0) {
    why_ = std::string("cannot watch the mount: ") + strerror(errno);
  }
}

OpenGate::~OpenGate() { Open(); }

void OpenGate::Answer(int eventFd) {
  const fanotify_response response{eventFd, FAN_ALLOW};
  if (write(group_, &response, sizeof response) < 0) return;
}

void OpenGate::Open() {
  if (held_ >= 0) {
    Answer(held_);
    close(held_);
    held_ = -1;
  }
  // Closing the group lets every waiting access through.
  if (group_ >= 0) close(group_);
  group_ = -1;
}

bool OpenGate::HoldAt(const Access& access, std::chrono::milliseconds patience) {
  std::string base = mount_.string();
  if (base.empty() || base.back() != '/') base += '/';
  const auto deadline = Clock::now() + patience;
  bool armed = false;
  while (group_ >= 0 && Clock::now() < deadline) {
    pollfd readable{group_, POLLIN, 0};
    if (poll(&readable, 1, 50) <= 0) continue;
    alignas(fanotify_event_metadata) char buffer[4096];
    const ssize_t got = read(group_, buffer, sizeof buffer);
    if (got <= 0) continue;
    std::size_t left = static_cast<std::size_t>(got);
    for (auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer); FAN_EVENT_OK(event, left);
         event = FAN_EVENT_NEXT(event, left)) {
      if (event->fd < 0) continue;
      const std::string path = PathOf(event->fd);
      const std::string name = path.rfind(base, 0) == 0 ? path.substr(base.size()) : std::string();
      const bool matches = held_ < 0 && name.rfind(access.prefix, 0) == 0;
      bool hold = false;
      if (matches && (event->mask & FAN_OPEN_PERM) != 0 && ++opens_[access.prefix] == access.occurrence) {
        hold = !access.atRead;
        armed = access.atRead;
      } else if (matches && armed && (event->mask & FAN_ACCESS_PERM) != 0) {
        hold = true;
      }
      if (hold) {
        held_ = event->fd;
        continue;
      }
      Answer(event->fd);
      close(event->fd);
    }
    if (held_ >= 0) return true;
  }
  return false;
}

}  // namespace initap::test
