// The dry run's cost against the size of what a card copies: a dry run of a
// card that copies 4 files of 256 MiB each against a dry run of the same card
// with an empty folder to copy, each the whole initap process, measured in
// turns in the same run. The target: at most 0.3 s longer.
//   dry_run_bench [ROUNDS]      default 5; the trees (1 GiB) live below /tmp
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path kInitap = INITAP_BINARY_DIR "/initap";
constexpr std::size_t kFiles = 4;
constexpr std::size_t kFileMiB = 256;
constexpr double kTargetSeconds = 0.3;

void WriteText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

// A device that reaches its main application, with a card that copies its Maps folder.
void MakeDevice(const fs::path& device, std::size_t files) {
  const fs::path root = device / "root";
  for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) fs::create_directories(root / volume);
  WriteText(root / "System/Main_Ap.exe", "#!/bin/sh\nexit 0\n");
  fs::permissions(root / "System/Main_Ap.exe", fs::perms::owner_exec, fs::perm_options::add);
  WriteText(device / "device.ini", "[device]\ntimezone = UTC\n");
  WriteText(root / "sd card/update.xml",
            "<config><logo_showtime>0</logo_showtime><exit_showtime>0</exit_showtime><update_already>0"
            "</update_already><update><copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/></update></config>\n");
  fs::create_directories(root / "sd card/Maps");
  const std::string block(1 << 20, 'm');
  for (std::size_t i = 0; i < files; ++i) {
    std::ofstream out(root / "sd card/Maps" / ("map" + std::to_string(i) + ".bin"), std::ios::binary);
    for (std::size_t mib = 0; mib < kFileMiB; ++mib)
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

// Seconds from the start of `initap --dry-run --quiet DEVICE` to its end; negative when it failed.
double DryRun(const fs::path& device) {
  std::string initap = kInitap.string();
  std::string dryRun = "--dry-run";
  std::string quiet = "--quiet";
  std::string folder = device.string();
  char* argv[] = {initap.data(), dryRun.data(), quiet.data(), folder.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const bool spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!spawned) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  // The dry run reached the main application without a warning.
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return took.count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (!fs::exists(kInitap)) {
    std::fprintf(stderr, "dry_run_bench: %s is not built\n", kInitap.c_str());
    return 1;
  }
  initap::test::TempFolder work;
  MakeDevice(work.path() / "empty", 0);
  MakeDevice(work.path() / "large", kFiles);

  std::vector<double> empty, large;
  for (int round = 0; round < rounds; ++round) {
    empty.push_back(DryRun(work.path() / "empty"));
    large.push_back(DryRun(work.path() / "large"));
    if (empty.back() < 0 || large.back() < 0) {
      std::fprintf(stderr, "dry_run_bench: a dry run did not reach the main application\n");
      return 1;
    }
  }
  const double baseline = Median(empty);
  const double copying = Median(large);
  std::printf("  dry run, empty card:          %.3f s (median of %d)\n", baseline, rounds);
  std::printf("  dry run, card of %zu x %zu MiB: %.3f s\n", kFiles, kFileMiB, copying);
  std::printf("  difference: %+.3f s, ratio %.3f  (target at most +%.1f s: %s)\n", copying - baseline,
              copying / baseline, kTargetSeconds, copying - baseline <= kTargetSeconds ? "met" : "MISSED");
  return 0;
}
