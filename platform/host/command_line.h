// The command line of initap on the host: options and the DEVICE folder.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/host/device_folder.h"

namespace platform::host {

struct CommandLine {
  DeviceFolder device;
  bool window = false;
  std::optional<std::filesystem::path> screenshot;
  std::optional<std::filesystem::path> frames;
  std::optional<std::filesystem::path> animation;
  std::optional<std::chrono::milliseconds> closeAfter;
  bool quiet = false;
  std::optional<std::filesystem::path> report;
  std::optional<std::filesystem::path> expect;  // the wanted tree
  bool help = false;
};

// Reads argv as initap's command line (platform/common/initap_command_line.h)
// with its paths on the host; false with a one-line `error` for an unknown or
// malformed option, a volume the device does not have, an output file that
// cannot be written, a missing DEVICE or a DEVICE that is not a folder.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error);

}  // namespace platform::host
