// initap on the Windows API: boots one device folder.
//   initap.exe [--display headless] [--screenshot FILE.png] [--frames DIR]
//              [--close-after SECONDS] [--quiet] [--root DRIVE] [--mount 'VOLUME=FOLDER']
//              [--registry-keys FILE] DEVICE
// --registry-keys writes the registry keys the boot made or opened, one a
// line, so that tools/wine-boot.sh writes them back into registry.reg.
// DEVICE holds the platform's own files; the device's "\" is DEVICE\root, or
// DRIVE (such as "D:") when given; a volume such as "\sd card" is FOLDER
// (such as "G:") when mounted.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/program_entry.h"
#include "platform/common/device_volumes.h"
#include "platform/common/locked_output.h"
#include "platform/common/name_case.h"
#include "platform/win32/command_arguments.h"
#include "platform/win32/graphics/win32_graphics.h"
#include "platform/win32/graphics/gdi_back_buffer.h"
#include "platform/win32/png_file.h"
#include "platform/win32/registry/win32_registry.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr int kUsageError = 2;
constexpr char kUsage[] =
    "usage: initap.exe [--display headless] [--screenshot FILE.png] [--frames DIR] [--close-after SECONDS] "
    "[--quiet] [--root DRIVE] [--mount 'VOLUME=FOLDER'] [--registry-keys FILE] DEVICE";
constexpr int kShowNormal = 1;

using platform::PrintLine;

// A number of seconds, as the PC's initap takes it; none when it is no such number.
std::optional<std::chrono::milliseconds> Seconds(const std::wstring& text) {
  wchar_t* end = nullptr;
  const double seconds = std::wcstod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(seconds) || seconds < 0 || seconds > 1e6) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

// A volume given as "\\sd card=G:", refused unless the device has it, as the PC's initap refuses it.
bool ParseMount(const std::wstring& text, std::vector<platform::win32::Mount>& mounts, std::string& error) {
  const std::size_t equals = text.find(L'=');
  if (equals == std::wstring::npos || equals == 0 || equals + 1 == text.size()) {
    error = "--mount wants VOLUME=FOLDER, as in '\\sd card=G:', not '" + platform::win32::ToUtf8(text) + "'";
    return false;
  }
  std::wstring volume = text.substr(0, equals);
  while (!volume.empty() && volume.front() == L'\\') volume.erase(volume.begin());
  while (!volume.empty() && volume.back() == L'\\') volume.pop_back();
  if (volume.empty() || volume.find(L'\\') != std::wstring::npos) {
    error = "--mount wants one volume name such as '\\sd card', not '" +
            platform::win32::ToUtf8(std::wstring_view(text).substr(0, equals)) + "'";
    return false;
  }
  const std::wstring folded = platform::FoldName(volume);
  if (std::none_of(std::begin(platform::kDeviceVolumes), std::end(platform::kDeviceVolumes),
                   [&](std::wstring_view known) { return platform::FoldName(known) == folded; })) {
    error = "--mount: the device has no volume '\\" + platform::win32::ToUtf8(volume) + "'; its volumes are";
    for (const std::wstring_view known : platform::kDeviceVolumes) {
      error += (known == platform::kDeviceVolumes[0] ? " '\\" : ", '\\") + platform::win32::ToUtf8(known) + "'";
    }
    return false;
  }
  mounts.push_back(platform::win32::Mount{std::move(volume), text.substr(equals + 1)});
  return true;
}

}  // namespace

int main() {
  // Lines end in "\n" alone, as the device's log and the PC's initap write them.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  const std::vector<std::wstring> arguments = platform::win32::CommandArguments();
  bool quiet = false;
  std::wstring folder;
  std::wstring root;
  std::wstring screenshot;
  std::wstring frames;
  std::wstring registryKeys;
  std::vector<platform::win32::Mount> mounts;
  platform::win32::WindowOptions windowOptions;
  std::string malformed;
  for (std::size_t i = 0; i < arguments.size() && malformed.empty(); ++i) {
    const std::wstring& argument = arguments[i];
    const bool valued = i + 1 < arguments.size();
    if (argument == L"--quiet") {
      quiet = true;
    } else if (argument == L"--screenshot" && valued) {
      screenshot = arguments[++i];
    } else if (argument == L"--registry-keys" && valued) {
      registryKeys = arguments[++i];
    } else if (argument == L"--frames" && valued) {
      frames = arguments[++i];
    } else if (argument == L"--close-after" && valued) {
      windowOptions.closeAfter = Seconds(arguments[++i]);
      if (!windowOptions.closeAfter) malformed = "initap.exe: --close-after wants a number of seconds";
    } else if (argument == L"--display" && valued) {
      // Wine's null graphics driver draws in memory: there is no desktop to show a window on.
      if (arguments[++i] != L"headless") malformed = "initap.exe: --display takes only headless here: no desktop to show a window on";
    } else if (argument == L"--root" && valued) {
      root = arguments[++i];
    } else if (argument == L"--mount" && valued) {
      if (ParseMount(arguments[++i], mounts, malformed)) continue;
      malformed = "initap.exe: " + malformed;
    } else if (argument.starts_with(L"--") || !folder.empty()) {
      malformed = kUsage;
    } else {
      folder = argument;
    }
  }
  while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (malformed.empty() && folder.empty()) malformed = kUsage;
  if (!malformed.empty()) {
    PrintLine(stderr, malformed);
    return kUsageError;
  }

  platform::win32::DeviceFolder device = platform::win32::DeviceAt(folder);
  if (!root.empty()) device.root = root;
  device.mounts = std::move(mounts);
  std::function<void(std::string_view)> echo;
  if (!quiet) echo = [](std::string_view text) { PrintLine(stdout, text); };
  std::string error;
  if (!quiet) windowOptions.notice = [](std::string_view text) { PrintLine(stderr, text); };
  auto platform = platform::win32::Win32Platform::Create(device, echo, std::move(windowOptions), error);
  if (!platform) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }
  if (!frames.empty()) {
    std::error_code made;  // a folder that cannot be made shows as frames that cannot be written
    std::filesystem::create_directories(std::filesystem::path(frames), made);
    platform->Graphics().OnPresent([frames, count = 0](const platform::win32::GdiBackBuffer& screen) mutable {
      wchar_t name[16];
      std::swprintf(name, 16, L"\\%06d.png", ++count);
      if (!platform::win32::WritePngFile(frames + name, screen.Width(), screen.Height(), screen.Pixels())) {
        PrintLine(stderr, "initap: a frame cannot be written");
      }
    });
  }
  const int exitCode = initap::ProgramEntry(platform->Services(), kShowNormal);
  if (!screenshot.empty()) {
    const platform::win32::GdiBackBuffer* screen = platform->Graphics().Screen();
    if (screen == nullptr ||
        !platform::win32::WritePngFile(screenshot, screen->Width(), screen->Height(), screen->Pixels())) {
      PrintLine(stderr, "initap: the screenshot cannot be written");
    }
  }
  if (!registryKeys.empty()) {
    std::ofstream keys(std::filesystem::path(registryKeys), std::ios::binary | std::ios::trunc);
    for (const std::wstring& key : platform->Registry().KeysUsed()) keys << platform::win32::ToUtf8(key) << '\n';
    if (!keys.flush()) PrintLine(stderr, "initap: the registry keys cannot be written");
  }
  platform::EndProcess(exitCode);
}
