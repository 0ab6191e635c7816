// Copying a file's data from one descriptor to another by the kernel.
#pragma once

#include <cstdint>

namespace platform::host {

// Copies `size` bytes (fewer when the end comes first) from `from`'s offset
// onto `to` at its offset: by copy_file_range, else by sendfile where the file
// systems refuse that, else through a buffer of our own. 0 when done, otherwise the errno.
int CopyData(int from, int to, std::uint64_t size);

// Writes the data of `file` to its volume and waits until it is there, without
// the journal commit and cache flush of an fsync: what a later flush of the
// volume commits then names complete files only. 0 when done, otherwise the errno.
int WriteBack(int file);

}  // namespace platform::host
