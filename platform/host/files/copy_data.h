// Copying a file's data from one descriptor to another by the kernel.
#pragma once

#include <cstdint>

namespace platform::host {

// Copies `size` bytes (fewer when the end comes first) from `from`'s offset
// onto `to` at its offset: by copy_file_range, else by sendfile where the file
// systems refuse that, else through a buffer of our own. 0 when done, otherwise the errno.
int CopyData(int from, int to, std::uint64_t size);

}  // namespace platform::host
