// Boot latency: from the start of the initap process to the start of the
// main application, on a device with an empty update list, zero show times
// and no receiver, less the pauses the system prescribes (200 ms before each
// of the two GPS commands, 100 ms at the start of the worker).
//
// The stand-in main application writes the wall clock in nanoseconds as its
// first act; the figure includes the start of that script and of date(1).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/temp_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path kInitap = INITAP_BINARY_DIR "/initap";
constexpr std::int64_t kPrescribedPausesNs = (200 + 200 + 100) * 1000000LL;

void WriteText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The stamp the main application wrote, waiting a little for it: the shell
// starts programs without waiting for them.
std::int64_t ReadStamp(const fs::path& stamp) {
  for (int attempt = 0; attempt < 400; ++attempt) {
    std::ifstream in(stamp);
    std::int64_t value = 0;
    if (in >> value) return value;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return 0;
}

void BM_BootToMainApplication(benchmark::State& state) {
  if (!fs::exists(kInitap)) {
    state.SkipWithError("initap is not built");
    return;
  }
  initap::test::TempFolder device;
  const fs::path root = device.path() / "root";
  const fs::path stamp = device.path() / "main-started";
  for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) fs::create_directories(root / volume);
  WriteText(root / "System/Main_Ap.exe", "#!/bin/sh\ndate +%s%N > '" + stamp.string() + "'\n");
  fs::permissions(root / "System/Main_Ap.exe", fs::perms::owner_exec, fs::perm_options::add);
  WriteText(device.path() / "device.ini", "[device]\ntimezone = UTC\n");

  std::string initap = kInitap.string();
  std::string quiet = "--quiet";
  std::string folder = device.path().string();
  char* argv[] = {initap.data(), quiet.data(), folder.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  for (auto _ : state) {
    // Every boot clears the flash volume's description; each one gets a fresh one.
    WriteText(root / "FlashHd/update.xml",
              "<config><logo_showtime>0</logo_showtime><exit_showtime>0</exit_showtime><update/></config>\n");
    fs::remove(stamp);
    const std::int64_t start = NowNs();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("initap does not start");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const std::int64_t started = ReadStamp(stamp);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 1 || started == 0) {
      state.SkipWithError("the boot did not start the main application");
      break;
    }
    state.SetIterationTime(static_cast<double>(started - start - kPrescribedPausesNs) / 1e9);
  }
  posix_spawn_file_actions_destroy(&actions);
}

BENCHMARK(BM_BootToMainApplication)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
