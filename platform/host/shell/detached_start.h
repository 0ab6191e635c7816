// Starting a program from an open file, in its own session, not waited for.
#pragma once

#include <string>

namespace platform::host {

// Executes the file open as `programFd` (O_PATH is enough) with argv[0]
// `name`, stdin from /dev/null and the caller's stdout and stderr, in a new
// session whose first process is reaped at once. 0 when the program runs,
// else the errno of what failed, the exec itself included.
int StartDetached(int programFd, const std::string& name);

}  // namespace platform::host
