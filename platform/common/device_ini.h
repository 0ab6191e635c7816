// device.ini: the optional settings of a device folder, read the same way by every backend.
#pragma once

#include <istream>
#include <optional>
#include <string>

namespace platform::common {

// The value of `key` in the [device] section, trimmed; none when absent.
std::optional<std::string> DeviceSetting(std::istream& ini, const std::string& key);

}  // namespace platform::common
