#include "platform/host/unique_fd.h"

#include <unistd.h>

namespace platform::host {

int UniqueFd::CloseFd(int fd) { return ::close(fd); }

}  // namespace platform::host
