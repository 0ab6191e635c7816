// Copying a file's data from one descriptor to another by the kernel.
#pragma once

namespace platform::host {

// Copies from `from`'s offset to its end onto `to` at its offset: by
// copy_file_range, else by sendfile where the file systems refuse that, else
// through a buffer of our own. 0 when done, otherwise the errno.
int CopyData(int from, int to);

}  // namespace platform::host
