// The command line of initap, the same on every platform: its options, the
// DEVICE folder and the usage that --help prints.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/command_line_paths.h"

namespace platform {

// "--mount 'VOLUME=FOLDER'": a folder in place of one of the device's volumes.
struct MountOption {
  std::string volume;  // UTF-8, without backslashes, in the letter case given
  std::string folder;  // as the platform placed it
};

// What the command line asks for; every path as the platform placed it.
struct InitapCommandLine {
  std::string device;
  std::vector<MountOption> mounts;
  bool window = false;
  std::optional<std::string> screenshot;
  std::optional<std::string> frames;
  std::optional<std::string> animation;
  std::optional<std::string> report;
  std::optional<std::string> expect;  // the wanted tree the volumes are held against
  std::optional<std::chrono::milliseconds> closeAfter;
  bool quiet = false;
  bool dryRun = false;
  bool help = false;
};

// Reads `arguments` (UTF-8, without the program's name); false with a
// one-line `error` for an unknown or malformed option, a volume the device
// does not have, a DEVICE missing or given twice, or a path that `paths`
// finds unfit: a DEVICE, mounted folder or wanted tree that is no folder, an
// output file that cannot be written.
bool ParseInitapCommandLine(std::span<const std::string> arguments, CommandLinePaths& paths, InitapCommandLine& line,
                            std::string& error);

// The usage text that --help prints.
std::string_view InitapUsage();

}  // namespace platform
