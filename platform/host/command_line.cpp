#include "platform/host/command_line.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwctype>

#include "platform/host/utf8.h"

namespace platform::host {

std::string_view Usage() {
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
         "  -h, --help                  print this usage and exit 0\n"
         "\n"
         "After the run a short summary of what changed goes to standard error.\n"
         "Exit codes: the system's own (1 after its window closed, 0 when it could not\n"
         "be created); 2 for a usage error. With --dry-run: 0 when the run reaches the\n"
         "main application with no warning, 3 when it does with warnings, 4 when it\n"
         "does not reach it (update error, image-update hand-off, diagnostic path).\n"
         "The guide, docs/guide.md, explains the device folder, update.xml and every log line.\n";
}

namespace {

bool SameVolume(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
         });
}

bool ParseMount(std::string_view text, DeviceFolder& device, std::string& error) {
  const auto equals = text.find('=');
  if (equals == std::string_view::npos || equals == 0 || equals + 1 == text.size()) {
    error = "--mount wants VOLUME=HOSTDIR, as in '\\sd card=/media/card', not '" + std::string(text) + "'";
    return false;
  }
  std::wstring volume = FromUtf8(text.substr(0, equals));
  while (!volume.empty() && volume.front() == L'\\') volume.erase(volume.begin());
  while (!volume.empty() && volume.back() == L'\\') volume.pop_back();
  if (volume.empty() || volume.find(L'\\') != std::wstring::npos) {
    error = "--mount wants one volume name such as '\\sd card', not '" + std::string(text.substr(0, equals)) + "'";
    return false;
  }
  if (std::none_of(std::begin(kDeviceVolumes), std::end(kDeviceVolumes),
                   [&](std::wstring_view known) { return SameVolume(known, volume); })) {
    error = "--mount: the device has no volume '\\" + ToUtf8(volume) + "'; its volumes are";
    for (const std::wstring_view known : kDeviceVolumes) {
      error += (known == kDeviceVolumes[0] ? " '\\" : ", '\\") + ToUtf8(known) + "'";
    }
    return false;
  }
  const std::filesystem::path folder(std::string(text.substr(equals + 1)));
  std::error_code ignored;
  if (!std::filesystem::is_directory(folder, ignored)) {
    error = "--mount folder '" + folder.string() + "' is not a folder";
    return false;
  }
  device.mounts.push_back(Mount{volume, folder});
  return true;
}

bool ParseSeconds(std::string_view text, std::optional<std::chrono::milliseconds>& duration, std::string& error) {
  const std::string value(text);
  char* end = nullptr;
  const double seconds = std::strtod(value.c_str(), &end);
  if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(seconds) || seconds < 0 ||
      seconds > 1e6) {
    error = "--close-after wants a number of seconds, not '" + value + "'";
    return false;
  }
  duration = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  return true;
}

// A file the run writes at its end: refused now, before the boot changes the
// device, when its folder is missing or not writable or a folder has its name.
bool CheckOutputFile(std::string_view option, const std::filesystem::path& file, std::string& error) {
  const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
  std::error_code ignored;
  if (file.filename().empty() || std::filesystem::is_directory(file, ignored)) {
    error = std::string(option) + " wants a file name, not the folder '" + file.string() + "'";
  } else if (!std::filesystem::is_directory(folder, ignored)) {
    error = std::string(option) + " file '" + file.string() + "' is in no existing folder";
  } else if (access(folder.c_str(), W_OK | X_OK) != 0 ||
             (std::filesystem::exists(file, ignored) && access(file.c_str(), W_OK) != 0)) {
    error = std::string(option) + " file '" + file.string() + "' cannot be written here";
  } else {
    return true;
  }
  return false;
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error) {
  std::optional<std::filesystem::path> device;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    std::string_view option = argument;
    std::optional<std::string_view> value;
    if (argument.starts_with("--")) {
      if (const auto equals = argument.find('='); equals != std::string_view::npos) {
        option = argument.substr(0, equals);
        value = argument.substr(equals + 1);
      }
    }
    const auto takeValue = [&]() -> std::optional<std::string_view> {
      if (value) return value;
      if (i + 1 >= argc) {
        error = std::string(option) + " needs a value";
        return std::nullopt;
      }
      return std::string_view(argv[++i]);
    };

    if (option == "--help" || argument == "-h") {
      line.help = true;
      return true;
    } else if (option == "--quiet") {
      line.quiet = true;
    } else if (option == "--dry-run") {
      line.device.dryRun = true;
    } else if (option == "--report") {
      const auto file = takeValue();
      if (!file) return false;
      line.report = std::filesystem::path(std::string(*file));
    } else if (option == "--display") {
      const auto mode = takeValue();
      if (!mode) return false;
      if (*mode != "headless" && *mode != "window") {
        error = "--display wants headless or window, not '" + std::string(*mode) + "'";
        return false;
      }
      line.window = *mode == "window";
    } else if (option == "--screenshot" || option == "--animation") {
      const auto file = takeValue();
      if (!file) return false;
      const std::filesystem::path path{std::string(*file)};
      if (!CheckOutputFile(option, path, error)) return false;
      (option == "--screenshot" ? line.screenshot : line.animation) = path;
    } else if (option == "--frames") {
      const auto folder = takeValue();
      if (!folder) return false;
      line.frames = std::filesystem::path(std::string(*folder));
    } else if (option == "--mount") {
      const auto mount = takeValue();
      if (!mount || !ParseMount(*mount, line.device, error)) return false;
    } else if (option == "--close-after") {
      const auto seconds = takeValue();
      if (!seconds || !ParseSeconds(*seconds, line.closeAfter, error)) return false;
    } else if (argument.starts_with("-") && argument != "-") {
      error = "unknown option '" + std::string(argument) + "' (see initap --help)";
      return false;
    } else if (device) {
      error = "one DEVICE folder only, got '" + device->string() + "' and '" + std::string(argument) + "'";
      return false;
    } else {
      device = std::filesystem::path(std::string(argument));
    }
  }
  if (!device) {
    error = "no DEVICE folder given (see initap --help)";
    return false;
  }
  std::error_code ignored;
  if (!std::filesystem::is_directory(*device, ignored)) {
    error = "DEVICE folder '" + device->string() + "' does not exist";
    return false;
  }
  line.device.folder = *device;
  return true;
}

}  // namespace platform::host
