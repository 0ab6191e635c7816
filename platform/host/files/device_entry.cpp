#include "platform/host/files/device_entry.h"

#include "platform/common/device_names.h"
#include "platform/common/device_volumes.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

std::wstring Inside(std::wstring_view folder, const std::string& name) {
  std::wstring path(folder);
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path + FromUtf8(name);
}

// Bytes that are no UTF-8 text come back from the wide text changed.
bool IsText(const std::string& name) { return ToUtf8(FromUtf8(name)) == name; }

}  // namespace

bool HoldsDeviceName(const std::string& name) { return IsText(name) && FaultOfName(FromUtf8(name)) == NameFault::None; }

std::optional<HiddenEntry> HiddenByItself(std::wstring_view folder, const std::string& name, bool isFolder,
                                          std::uint64_t size) {
  const std::wstring path = Inside(folder, name);
  if (!IsText(name)) return HiddenEntry{path, "name-not-on-device", "its name is not UTF-8 text"};
  switch (FaultOfName(FromUtf8(name))) {
    case NameFault::Character:
      return HiddenEntry{path, "name-not-on-device",
                         "its name holds a character the device's file systems refuse (\" * : < > ? | / \\ or a "
                         "control character)"};
    case NameFault::TrailingDotOrSpace:
      return HiddenEntry{path, "name-not-on-device", "its name ends in a dot or a space"};
    case NameFault::TooLong:
      return HiddenEntry{path, "name-not-on-device",
                         "its name is longer than the " + std::to_string(kLongestName) + " units a name can be"};
    case NameFault::None: break;
  }
  if (WideUnits(path) > kLongestPath) {
    return HiddenEntry{path, "path-too-long",
                       "its path is longer than the " + std::to_string(kLongestPath) + " units a path can be"};
  }
  if (!isFolder && size > kLargestFile) {
    return HiddenEntry{path, "file-too-large", "it is 4 GiB or more, larger than a file of the device's volumes"};
  }
  return std::nullopt;
}

HiddenEntry HiddenTwin(std::wstring_view folder, const std::string& twin, const std::string& seen) {
  return HiddenEntry{Inside(folder, twin), "case-twin",
                     "its name differs from " + seen +
                         " only in letter case, and of such names the device sees the first in code point order"};
}

}  // namespace platform::host
