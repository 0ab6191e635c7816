#include "platform/common/device_ini.h"

namespace platform::common {

namespace {

std::string Trim(std::string text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<std::string> DeviceSetting(std::istream& ini, const std::string& key) {
  std::string line;
  bool inDevice = false;
  while (std::getline(ini, line)) {
    const auto comment = line.find_first_of(";#");
    line = Trim(line.substr(0, comment));
    if (line.empty()) continue;
    if (line.front() == '[') {
      inDevice = Trim(line.substr(1, line.find(']') - 1)) == "device";
      continue;
    }
    const auto equals = line.find('=');
    if (!inDevice || equals == std::string::npos) continue;
    if (Trim(line.substr(0, equals)) == key) return Trim(line.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace platform::common
