#include "platform/host/shell/host_shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/common/launched_line.h"
#include "platform/common/path_limits.h"
#include "platform/common/program_candidates.h"
#include "platform/common/program_image.h"
#include "platform/host/files/host_files.h"
#include "platform/host/regular_file.h"
#include "platform/host/shell/detached_start.h"
#include "platform/host/unique_fd.h"
#include "platform/host/utf8.h"

namespace platform::host {

HostShell::HostShell(const DeviceFolder& device, HostFiles& files, Kernel& kernel,
                     std::function<void(std::string_view line)> echo)
    : device_(device), files_(files), kernel_(kernel), echo_(std::move(echo)) {}

bool HostShell::Execute(std::wstring_view file) {
  bool started = false;
  if (!file.empty()) {
    for (const std::wstring& candidate : ProgramCandidates(file)) {
      if (candidate.size() > kLongestPath) break;
      // Opened inside the device and executed through the descriptor, so
      // nothing outside the device is ever started.
      UniqueFd program = files_.OpenFd(candidate, O_PATH);
      struct stat info = {};
      if (!program || fstat(program.Get(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
      // The PC cannot run the device's own programs: one is started as far as the device can tell.
      started = IsProgramFile(candidate) || StartDetached(program.Get(), ToUtf8(candidate)) == 0;
      break;
    }
  }
  Note(started, file);
  return started;
}

bool HostShell::IsProgramFile(const std::wstring& path) {
  const UniqueFd file = files_.OpenFd(path, O_RDONLY);
  if (!file) return false;
  return IsWindowsProgram([&](std::uint32_t offset, void* buffer, std::size_t size) {
    return pread(file.Get(), buffer, size, offset) == static_cast<ssize_t>(size);
  });
}

void HostShell::Note(bool started, std::wstring_view file) {
  const std::string line = LaunchedLine(kernel_.GetLocalTime(), started, ToUtf8(file));
  // A dry run leaves launched.log as it was; the start is still reported.
  if (!device_.dryRun) {
    std::lock_guard lock(logLock_);
    const UniqueFd log = OpenRegularFile(device_.File("launched.log"), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (log) {
      const std::string entry = line + "\n";
      [[maybe_unused]] const auto written = write(log.Get(), entry.data(), entry.size());
    }
  }
  if (echo_) echo_(line);
}

}  // namespace platform::host
