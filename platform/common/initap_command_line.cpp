#include "platform/common/initap_command_line.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"
#include "platform/common/option_reader.h"

namespace platform {

std::string_view InitapUsage() {
  return "usage: initap [OPTIONS] DEVICE\n"
         "  --display headless|window   headless (default): no window on the desktop;\n"
         "                              window: a real window on the desktop\n"
         "  --screenshot FILE.png       write the screen as a PNG picture when the run ends\n"
         "  --frames DIR                write every painted frame as DIR/000001.png, 000002.png, ...;\n"
         "                              the numbered frames of an earlier run there are removed first\n"
         "  --animation FILE.webp       write every painted frame, shown for as long as the screen\n"
         "                              showed it, as one lossless animated WebP picture\n"
         "  --mount 'VOLUME=HOSTDIR'    put a host folder in place of a volume; repeatable\n"
         "  --close-after SECONDS       close the window from outside after this long\n"
         "  --quiet                     print nothing but errors\n"
         "  --dry-run                   boot as usual, but change nothing in DEVICE or a mount\n"
         "  --report FILE.json          write what the boot changed (or would change) as JSON\n"
         "  --expect TREE               after the run, hold each volume TREE holds (laid out as\n"
         "                              root/) against the device's; a difference is an error\n"
         "  -h, --help                  print this usage and exit 0\n"
         "\n"
         "After the run a short summary of what changed goes to standard error.\n"
         "Exit codes: the system's own (1 after its window closed, 0 when it could not\n"
         "be created); 2 for a usage error. With --dry-run or --expect, the verdict: 0\n"
         "when the run reaches the main application with no finding, 3 with warnings\n"
         "only, 5 with an error, 4 when it does not reach it (update error, image-update\n"
         "hand-off, diagnostic path).\n"
         "The guide, docs/guide.md, explains the device folder, update.xml and every log line.\n";
}

namespace {

using Kind = CommandLinePaths::Kind;
using OutputFile = CommandLinePaths::OutputFile;

constexpr std::string_view kProgram = "initap";

// Every volume name is ASCII and no other letter folds onto an ASCII one, so
// the bytes of a UTF-8 name can stand for its units when it is compared.
static_assert(std::ranges::all_of(kDeviceVolumes, [](std::wstring_view name) {
  return std::ranges::all_of(name, [](wchar_t c) { return c < 0x80; });
}));

bool IsDeviceVolume(std::string_view name) {
  std::wstring units;
  for (const char c : name) units += static_cast<wchar_t>(static_cast<unsigned char>(c));
  const std::wstring folded = FoldName(units);
  return std::ranges::any_of(kDeviceVolumes, [&](std::wstring_view known) { return FoldName(known) == folded; });
}

bool ParseMount(std::string_view text, CommandLinePaths& paths, std::vector<MountOption>& mounts, std::string& error) {
  const auto equals = text.find('=');
  if (equals == std::string_view::npos || equals == 0 || equals + 1 == text.size()) {
    error = "--mount wants VOLUME=HOSTDIR, as in '\\sd card=/media/card', not '" + std::string(text) + "'";
    return false;
  }
  std::string_view volume = text.substr(0, equals);
  while (volume.starts_with('\\')) volume.remove_prefix(1);
  while (volume.ends_with('\\')) volume.remove_suffix(1);
  if (volume.empty() || volume.find('\\') != std::string_view::npos) {
    error = "--mount wants one volume name such as '\\sd card', not '" + std::string(text.substr(0, equals)) + "'";
    return false;
  }
  if (!IsDeviceVolume(volume)) {
    error = "--mount: the device has no volume '\\" + std::string(volume) + "'; its volumes are";
    for (const std::wstring_view known : kDeviceVolumes) {
      error += known == kDeviceVolumes[0] ? " '\\" : ", '\\";
      for (const wchar_t c : known) error += static_cast<char>(c);
      error += "'";
    }
    return false;
  }
  const std::string_view given = text.substr(equals + 1);
  std::string folder = paths.Place(Kind::kMountedFolder, given);
  if (!paths.IsFolder(folder)) {
    error = "--mount folder '" + std::string(given) + "' is not a folder";
    return false;
  }
  mounts.push_back(MountOption{std::string(volume), std::move(folder)});
  return true;
}

bool ParseSeconds(std::string_view text, std::optional<std::chrono::milliseconds>& duration, std::string& error) {
  const std::string value(text);
  char* end = nullptr;
  const double seconds = std::strtod(value.c_str(), &end);
  if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(seconds) || seconds < 0 || seconds > 1e6) {
    error = "--close-after wants a number of seconds, not '" + value + "'";
    return false;
  }
  duration = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  return true;
}

// A file the run writes at its end: refused now, before the boot changes the
// device, when its folder is missing or not writable or a folder has its name.
bool ParseOutputFile(std::string_view option, std::string_view given, CommandLinePaths& paths,
                     std::optional<std::string>& file, std::string& error) {
  std::string placed = paths.Place(Kind::kOutputFile, given);
  const std::string named = std::string(option) + " file '" + std::string(given) + "'";
  switch (paths.CheckOutputFile(placed)) {
    case OutputFile::kWritable: file = std::move(placed); return true;
    case OutputFile::kFolder:
      error = std::string(option) + " wants a file name, not the folder '" + std::string(given) + "'";
      return false;
    case OutputFile::kNoFolder: error = named + " is in no existing folder"; return false;
    case OutputFile::kNotWritable: error = named + " cannot be written here"; return false;
  }
  return false;
}

}  // namespace

bool ParseInitapCommandLine(std::span<const std::string> arguments, CommandLinePaths& paths, InitapCommandLine& line,
                            std::string& error) {
  const auto flag = [](bool& set) {
    return [set = &set](std::string_view, std::string&) {
      *set = true;
      return true;
    };
  };
  const auto output = [&paths](std::string_view option, std::optional<std::string>& file) {
    return [&paths, option, file = &file](std::string_view given, std::string& error) {
      return ParseOutputFile(option, given, paths, *file, error);
    };
  };
  const Option options[] = {
      {"--display", true,
       [&](std::string_view mode, std::string& error) {
         if (mode != "headless" && mode != "window") {
           error = "--display wants headless or window, not '" + std::string(mode) + "'";
           return false;
         }
         line.window = mode == "window";
         return true;
       }},
      {"--screenshot", true, output("--screenshot", line.screenshot)},
      {"--frames", true,
       [&](std::string_view given, std::string&) {
         line.frames = paths.Place(Kind::kOutputFolder, given);
         return true;
       }},
      {"--animation", true, output("--animation", line.animation)},
      {"--mount", true,
       [&](std::string_view mount, std::string& error) { return ParseMount(mount, paths, line.mounts, error); }},
      {"--close-after", true,
       [&](std::string_view seconds, std::string& error) { return ParseSeconds(seconds, line.closeAfter, error); }},
      {"--quiet", false, flag(line.quiet)},
      {"--dry-run", false, flag(line.dryRun)},
      // Checked by the platform that writes the report, by the report's own rules.
      {"--report", true,
       [&](std::string_view given, std::string&) {
         line.report = paths.Place(Kind::kOutputFile, given);
         return true;
       }},
      // A wanted tree is read as a mounted folder is.
      {"--expect", true,
       [&](std::string_view given, std::string& error) {
         line.expect = paths.Place(Kind::kMountedFolder, given);
         if (paths.IsFolder(*line.expect)) return true;
         error = "--expect folder '" + std::string(given) + "' is not a folder";
         return false;
       }},
  };
  std::optional<std::string> device;
  const auto positional = [&](std::string_view given, std::string& error) {
    if (device) {
      error = "one DEVICE folder only, got '" + *device + "' and '" + std::string(given) + "'";
      return false;
    }
    device = std::string(given);
    return true;
  };
  if (!ReadOptions(kProgram, options, arguments, positional, line.help, error)) return false;
  if (line.help) return true;
  if (!device) {
    error = "no DEVICE folder given (see " + std::string(kProgram) + " --help)";
    return false;
  }
  line.device = paths.Place(Kind::kDevice, *device);
  if (!paths.IsFolder(line.device)) {
    error = "DEVICE folder '" + *device + "' does not exist";
    return false;
  }
  return true;
}

}  // namespace platform
