// device.ini: the optional settings of a device folder, read the same way by every backend.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::common {

// The value of `key` in the [device] section, trimmed; none when absent.
std::optional<std::string> DeviceSetting(std::istream& ini, const std::string& key);

// Every key of `section` with its value, both trimmed, in the file's order.
std::vector<std::pair<std::string, std::string>> SectionSettings(std::istream& ini, const std::string& section);

}  // namespace platform::common
