// How large the device's volumes are, as device.ini's [volumes] gives them
// ("FlashHd = 512MiB"); a volume it does not name is as large as the host's
// free space.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace platform {

struct VolumeSize {
  std::wstring volume;  // as the device names it ("FlashHd")
  std::uint64_t bytes = 0;
};

// The sizes the [volumes] section of `ini` gives. False with a one-line
// `error` for a key that names no volume or one named twice, or a value that
// is no size: a whole number of bytes, or of KiB, MiB or GiB.
bool ReadVolumeSizes(std::istream& ini, std::vector<VolumeSize>& sizes, std::string& error);

}  // namespace platform
