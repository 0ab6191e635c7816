// initap on the host: boots one device folder.
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "app/program_entry.h"
#include "platform/host/command_line.h"
#include "platform/host/host_platform.h"

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

int main(int argc, char** argv) {
  platform::host::CommandLine line;
  std::string error;
  if (!platform::host::ParseCommandLine(argc, argv, line, error)) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }
  if (line.help) {
    std::fputs(platform::host::Usage().data(), stdout);
    return 0;
  }

  platform::host::HostConsole console;
  if (!line.quiet) console.line = [](std::string_view text) { PrintLine(stdout, text); };
  if (!line.quiet) console.notice = [](std::string_view text) { PrintLine(stderr, text); };
  auto host = platform::host::HostPlatform::Create(line, console, error);
  if (!host) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }

  const int exitCode = initap::ProgramEntry(host->Services(), kShowNormal);
  host->Finish();
  // A worker may still be copying when the window was closed from outside:
  // end here, without running static destructors under its feet.
  std::lock_guard lock(outputLock);
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(exitCode);
}
