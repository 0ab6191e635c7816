// Opening below a folder that no path, link or ".." can leave.
#pragma once

#include <optional>
#include <string>

#include "platform/filesystem.h"
#include "platform/host/unique_fd.h"

namespace platform::host {

// Opens `path` (relative, "/"-separated) below the folder `base` as if `base`
// were the file system's root: ".." and absolute or relative links all stay
// inside it. O_CLOEXEC is added; `mode` applies when a file is created. An
// empty UniqueFd with errno set on failure.
UniqueFd OpenInside(int base, const std::string& path, int flags, unsigned mode = 0);

// The host path that an open descriptor stands for; none when the host cannot tell.
std::optional<std::string> RealPathOf(int fd);

// "A/B" + "c" -> "A/B/c"; "." + "c" -> "c".
std::string JoinHostPath(const std::string& folder, const std::string& name);

// The device's status for a failed host call's errno.
FileStatus StatusOfErrno(int error);
// The same for a failed write of file data: DiskFull or WriteFault.
FileStatus WriteStatusOfErrno(int error);

}  // namespace platform::host
