// Which entries of a host folder the device can see: a host folder (a volume's
// folder, a mounted card) holds names and files that the device's FAT volumes
// cannot, and those are not there for the device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::host {

// An entry the device does not see, and why.
struct HiddenEntry {
  std::wstring path;  // the device path it would have
  std::string id;     // stable: "name-not-on-device", "path-too-long", "case-twin", "file-too-large"
  std::string why;    // the end of a sentence, such as "its name ends in a dot or a space"
};

// Told of each hidden entry that a listing or a lookup came across; maybe more
// than once for the same one.
class HiddenEntryListener {
 public:
  virtual ~HiddenEntryListener() = default;
  virtual void Hidden(const HiddenEntry& entry) = 0;
};

// Whether a host name (UTF-8 bytes) is one the device's volumes can hold.
bool HoldsDeviceName(const std::string& name);

// What hides the entry `name` (as on the host) of the device folder `folder`
// (a device path, "\" for the root), a file of `size` bytes unless it is a
// folder; none when the device sees it.
std::optional<HiddenEntry> HiddenByItself(std::wstring_view folder, const std::string& name, bool isFolder,
                                          std::uint64_t size);

// The entry `twin` of `folder`, hidden behind `seen`, which folds alike.
HiddenEntry HiddenTwin(std::wstring_view folder, const std::string& twin, const std::string& seen);

}  // namespace platform::host
