#include "platform/host/command_line.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/common/initap_command_line.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// Paths on the host are the host's own, as given.
class HostPaths final : public CommandLinePaths {
 public:
  std::string Place(Kind, std::string_view given) override { return std::string(given); }

  bool IsFolder(const std::string& placed) const override {
    std::error_code ignored;
    return std::filesystem::is_directory(placed, ignored);
  }

  OutputFile CheckOutputFile(const std::string& placed) const override {
    const std::filesystem::path file(placed);
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    std::error_code ignored;
    if (file.filename().empty() || std::filesystem::is_directory(file, ignored)) return OutputFile::kFolder;
    if (!std::filesystem::is_directory(folder, ignored)) return OutputFile::kNoFolder;
    if (access(folder.c_str(), W_OK | X_OK) != 0 ||
        (std::filesystem::exists(file, ignored) && access(file.c_str(), W_OK) != 0)) {
      return OutputFile::kNotWritable;
    }
    return OutputFile::kWritable;
  }
};

std::optional<std::filesystem::path> HostPath(const std::optional<std::string>& path) {
  if (!path) return std::nullopt;
  return std::filesystem::path(*path);
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error) {
  const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  HostPaths paths;
  InitapCommandLine parsed;
  if (!ParseInitapCommandLine(arguments, paths, parsed, error)) return false;
  line.help = parsed.help;
  line.device.folder = parsed.device;
  line.device.dryRun = parsed.dryRun;
  for (const MountOption& mount : parsed.mounts) {
    line.device.mounts.push_back(Mount{FromUtf8(mount.volume), std::filesystem::path(mount.folder)});
  }
  line.window = parsed.window;
  line.screenshot = HostPath(parsed.screenshot);
  line.frames = HostPath(parsed.frames);
  line.animation = HostPath(parsed.animation);
  line.closeAfter = parsed.closeAfter;
  line.quiet = parsed.quiet;
  line.report = HostPath(parsed.report);
  line.expect = HostPath(parsed.expect);
  return true;
}

}  // namespace platform::host
