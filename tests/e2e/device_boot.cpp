#include "tests/e2e/device_boot.h"

#include <sstream>

namespace initap::test {

namespace {

// "(MM-DD HH:MM) "
constexpr std::size_t kStampLength = 14;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

BootResult Boot(const std::filesystem::path& device, const std::vector<std::string>& arguments) {
  InitapProcess run(device, arguments);
  const int exitCode = run.Finish();
  return {exitCode, run.Output()};
}

std::vector<std::string> LogLines(const DeviceTree& device) {
  if (!device.Exists("FlashHd/updatelog.txt")) return {};
  return Lines(device.ReadFile("FlashHd/updatelog.txt"));
}

std::vector<std::string> LogMessages(const DeviceTree& device) {
  std::vector<std::string> messages;
  for (const std::string& line : LogLines(device)) {
    messages.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : "stamp missing: " + line);
  }
  return messages;
}

std::vector<std::string> PrintedLog(const std::string& output) {
  std::vector<std::string> lines;
  for (const std::string& line : Lines(output)) {
    if (line.starts_with("(") && line.size() > kStampLength) lines.push_back(line.substr(kStampLength));
  }
  return lines;
}

std::string WithoutClockBefore(std::string report) {
  const std::string from = "\"clock\": {\"from\": \"";
  const std::size_t start = report.find(from);
  if (start == std::string::npos) return report;
  const std::size_t time = start + from.size();
  report.erase(time, report.find('"', time) - time);
  return report;
}

std::vector<Launch> Launches(const DeviceTree& device) {
  std::vector<Launch> launches;
  if (!device.DeviceFileExists("launched.log")) return launches;
  for (const std::string& line : Lines(device.ReadDeviceFile("launched.log"))) {
    for (const char* outcome : {" started ", " failed "}) {
      const std::size_t at = line.find(outcome);
      if (at == std::string::npos) continue;
      const std::string word(outcome);
      launches.push_back({word.substr(1, word.size() - 2), line.substr(at + word.size())});
      break;
    }
  }
  return launches;
}

std::optional<std::int64_t> ClockOffset(const DeviceTree& device) {
  if (!device.DeviceFileExists("clock")) return std::nullopt;
  std::istringstream in(device.ReadDeviceFile("clock"));
  std::int64_t offset = 0;
  if (!(in >> offset)) return std::nullopt;
  return offset;
}

void MakeBootableDevice(DeviceTree& device) {
  device.WriteFile("System/Main_Ap.exe", "#!/bin/sh\nexit 0\n", true);
  device.WriteFile("Windows/explorer.exe", "#!/bin/sh\nexit 0\n", true);
  device.WriteDeviceFile("registry.reg",
                         "REGEDIT4\n\n"
                         "[HKEY_CLASSES_ROOT\\CLSID\\{00021400-0000-0000-C000-000000000046}]\n"
                         "\"DisplayName\"=\"Desktop\"\n");
  device.MakeFolder("Windows/Desktop");
  device.WriteFile("System/shortcut.xml",
                   "<shortcuts><shortcut name=\"Navigation\" path=\"\\System\\Main_Ap.exe\"/></shortcuts>\n");
}

std::string Description(std::string_view inner) {
  return "<?xml version=\"1.0\"?>\n<config>\n<logo_showtime>0</logo_showtime>\n<exit_showtime>0</exit_showtime>\n" +
         std::string(inner) + "\n</config>\n";
}

}  // namespace initap::test
