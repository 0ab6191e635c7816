// initap on the Windows API: boots one device folder.
//   initap.exe [--quiet] [--screenshot FILE.png] [--root DRIVE] DEVICE
// DEVICE holds the platform's own files; the device's "\" is DEVICE\root, or
// DRIVE (such as "D:") when given.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/program_entry.h"
#include "platform/win32/command_arguments.h"
#include "platform/win32/graphics/win32_graphics.h"
#include "platform/win32/graphics/gdi_back_buffer.h"
#include "platform/win32/png_file.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kShowNormal = 1;

std::mutex outputLock;

void PrintLine(std::FILE* stream, std::string_view text) {
  std::lock_guard lock(outputLock);
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
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
  bool malformed = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (argument == L"--quiet") {
      quiet = true;
    } else if (argument == L"--screenshot" && i + 1 < arguments.size()) {
      screenshot = arguments[++i];
    } else if (argument == L"--root" && i + 1 < arguments.size()) {
      root = arguments[++i];
    } else if (argument.starts_with(L"--") || !folder.empty()) {
      malformed = true;
    } else {
      folder = argument;
    }
  }
  while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (malformed || folder.empty()) {
    PrintLine(stderr, "usage: initap.exe [--quiet] [--screenshot FILE.png] [--root DRIVE] DEVICE");
    return kUsageError;
  }

  platform::win32::DeviceFolder device = platform::win32::DeviceAt(folder);
  if (!root.empty()) device.root = root;
  std::function<void(std::string_view)> echo;
  if (!quiet) echo = [](std::string_view text) { PrintLine(stdout, text); };
  std::string error;
  auto platform = platform::win32::Win32Platform::Create(device, echo, error);
  if (!platform) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }
  const int exitCode = initap::ProgramEntry(platform->Services(), kShowNormal);
  if (!screenshot.empty()) {
    const platform::win32::GdiBackBuffer* screen = platform->Graphics().Screen();
    if (screen == nullptr ||
        !platform::win32::WritePngFile(screenshot, screen->Width(), screen->Height(), screen->Pixels())) {
      PrintLine(stderr, "initap: the screenshot cannot be written");
    }
  }
  // A worker may still be copying when the window was closed from outside:
  // end here, without running static destructors under its feet.
  std::lock_guard lock(outputLock);
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(exitCode);
}
