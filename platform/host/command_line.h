// The command line of initap: options and the DEVICE folder.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  bool help = false;
};

// Reads argv; false with a one-line `error` for an unknown or malformed
// option, a volume the device does not have, an output file that cannot be
// written, a missing DEVICE or a DEVICE that is not a folder.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error);

// The usage text that --help prints.
std::string_view Usage();

}  // namespace platform::host
