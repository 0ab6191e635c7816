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
  for (auto& [name, value] : SectionSettings(ini, "device")) {
    if (name == key) return std::move(value);
  }
  return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> SectionSettings(std::istream& ini, const std::string& section) {
  std::vector<std::pair<std::string, std::string>> settings;
  std::string line;
  bool inSection = false;
  while (std::getline(ini, line)) {
    const auto comment = line.find_first_of(";#");
    line = Trim(line.substr(0, comment));
    if (line.empty()) continue;
    if (line.front() == '[') {
      inSection = Trim(line.substr(1, line.find(']') - 1)) == section;
      continue;
    }
    const auto equals = line.find('=');
    if (!inSection || equals == std::string::npos) continue;
    settings.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
  return settings;
}

}  // namespace platform::common
