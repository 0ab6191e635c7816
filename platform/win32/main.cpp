// initap on the Windows API: boots one device folder, with initap's command
// line. What it cannot do here it refuses in one line. tools/wine-boot.sh,
// which boots a device folder under Wine, hands it more in the environment:
//   INITAP_PLAN=FILE            only read the command line: refuse a bad one,
//                               or write to FILE the host paths it names and
//                               what each is (a BootPlan)
//   INITAP_PATHS=PATH|PATH...   where those paths are, in the plan's order
//                               (no Windows path holds a "|")
//   INITAP_ROOT=DRIVE           the device's "\" (default DEVICE\root)
//   INITAP_REGISTRY_KEYS=FILE   write there the registry keys the boot made
//                               or opened, one a line, to go back into
//                               registry.reg
#include <fcntl.h>
#include <io.h>

#include <algorithm>
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
#include "platform/common/initap_command_line.h"
#include "platform/common/locked_output.h"
#include "platform/win32/boot_plan.h"
#include "platform/win32/command_arguments.h"
#include "platform/win32/graphics/gdi_back_buffer.h"
#include "platform/win32/graphics/win32_graphics.h"
#include "platform/win32/png_file.h"
#include "platform/win32/registry/win32_registry.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_paths.h"
#include "platform/win32/win32_platform.h"

namespace {

using platform::PrintLine;
using platform::win32::FromUtf8;
using platform::win32::ToUtf8;

constexpr int kUsageError = 2;
constexpr int kShowNormal = 1;

// An environment variable's value; none when it is unset or empty.
std::optional<std::wstring> Environment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  if (value == nullptr || *value == L'\0') return std::nullopt;
  return std::wstring(value);
}

// The places of INITAP_PATHS.
std::vector<std::string> Places() {
  std::vector<std::string> places;
  const std::optional<std::wstring> list = Environment(L"INITAP_PATHS");
  for (std::size_t begin = 0; list && begin <= list->size();) {
    const std::size_t end = std::min(list->find(L'|', begin), list->size());
    places.push_back(ToUtf8(std::wstring_view(*list).substr(begin, end - begin)));
    begin = end + 1;
  }
  return places;
}

// What the command line asks that this platform cannot do, in one line; empty when it asks nothing such.
std::string Unhonoured(const platform::InitapCommandLine& line) {
  // Wine's null graphics driver draws in memory: there is no desktop to show a window on.
  if (line.window) return "--display takes only headless here: no desktop to show a window on";
  if (line.dryRun) return "--dry-run is not offered here: only the PC's initap boots through a copy-on-write view";
  if (line.report) return "--report is not offered here: only the PC's initap records what a boot changes";
  if (line.expect) return "--expect is not offered here: only the PC's initap holds a boot against a wanted tree";
  if (line.animation) return "--animation is not offered here: only the PC's initap writes WebP pictures";
  return {};
}

platform::win32::DeviceFolder Device(const platform::InitapCommandLine& line) {
  std::wstring folder = FromUtf8(line.device);
  while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  platform::win32::DeviceFolder device = platform::win32::DeviceAt(folder);
  if (std::optional<std::wstring> root = Environment(L"INITAP_ROOT")) device.root = std::move(*root);
  for (const platform::MountOption& mount : line.mounts) {
    device.mounts.push_back(platform::win32::Mount{FromUtf8(mount.volume), FromUtf8(mount.folder)});
  }
  return device;
}

}  // namespace

int main() {
  // Lines end in "\n" alone, as the device's log and the PC's initap write them.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> arguments;
  for (const std::wstring& argument : platform::win32::CommandArguments()) arguments.push_back(ToUtf8(argument));
  const std::optional<std::wstring> planFile = Environment(L"INITAP_PLAN");
  platform::win32::BootPlan plan;
  platform::win32::Win32Paths paths(Places());
  platform::InitapCommandLine line;
  std::string error;
  if (!platform::ParseInitapCommandLine(arguments, planFile ? static_cast<platform::CommandLinePaths&>(plan) : paths,
                                        line, error)) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }
  if (line.help) {
    std::fputs(platform::InitapUsage().data(), stdout);
    return 0;
  }
  if (const std::string refused = Unhonoured(line); !refused.empty()) {
    PrintLine(stderr, "initap: " + refused);
    return kUsageError;
  }
  if (planFile) {
    if (plan.Write(*planFile)) return 0;
    PrintLine(stderr, "initap: the plan cannot be written");
    return kUsageError;
  }

  std::function<void(std::string_view)> echo;
  if (!line.quiet) echo = [](std::string_view text) { PrintLine(stdout, text); };
  platform::win32::WindowOptions windowOptions;
  windowOptions.closeAfter = line.closeAfter;
  if (!line.quiet) windowOptions.notice = [](std::string_view text) { PrintLine(stderr, text); };
  auto platform = platform::win32::Win32Platform::Create(Device(line), echo, std::move(windowOptions), error);
  if (!platform) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }
  if (line.frames) {
    const std::wstring frames = FromUtf8(*line.frames);
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
  if (line.screenshot) {
    const platform::win32::GdiBackBuffer* screen = platform->Graphics().Screen();
    if (screen == nullptr || !platform::win32::WritePngFile(FromUtf8(*line.screenshot), screen->Width(),
                                                            screen->Height(), screen->Pixels())) {
      PrintLine(stderr, "initap: the screenshot cannot be written");
    }
  }
  if (const std::optional<std::wstring> registryKeys = Environment(L"INITAP_REGISTRY_KEYS")) {
    std::ofstream keys(std::filesystem::path(*registryKeys), std::ios::binary | std::ios::trunc);
    for (const std::wstring& key : platform->Registry().KeysUsed()) keys << ToUtf8(key) << '\n';
    if (!keys.flush()) PrintLine(stderr, "initap: the registry keys cannot be written");
  }
  platform::EndProcess(exitCode);
}
