#include "platform/common/device_volumes.h"

#include <algorithm>

#include "platform/common/name_case.h"

namespace platform {

bool IsVolumeName(std::wstring_view name) {
  const std::wstring folded = FoldName(name);
  return std::ranges::any_of(kDeviceVolumes, [&](std::wstring_view volume) { return FoldName(volume) == folded; });
}

}  // namespace platform
