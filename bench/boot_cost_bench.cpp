// What a boot of a card costs against the host's own tools, each the whole
// process, measured in turns in the same round: a dry run against cp -a, a
// real boot (each copy durable before its name) against cp -a followed by
// sync, a dry run writing every frame against one without, and a dry run and
// a real boot with a second dry run beside them on the other core. A boot's
// own cost is the boot less a boot of the same card with an empty folder in
// the same round, which has the device's own pauses too. Then the system calls
// per file of a dry run and a real boot, when strace is there.
//   boot_cost_bench WORKDIR [ROUNDS]      default 5
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/file_tree.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using initap::test::FileTree;

const fs::path kInitap = INITAP_BINARY_DIR "/initap";
constexpr FileTree kSmallTree{.folders = 100, .filesPerFolder = 100, .fileSize = 4 * 1024};
constexpr FileTree kLargeTree{.folders = 1, .filesPerFolder = 4, .fileSize = std::size_t{256} * 1024 * 1024};

// What one process took: its wall time and the CPU time of it and its children.
struct Cost {
  double wall = 0;
  double cpu = 0;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs `words` with its output thrown away; none when it did not start or
// ended otherwise than with `exitCode`.
std::optional<Cost> Run(const std::vector<std::string>& words, int exitCode) {
  std::vector<std::string> copies = words;
  std::vector<char*> argv;
  for (std::string& word : copies) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!spawned) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return std::nullopt;
  const std::chrono::duration<double> took = Clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != exitCode) return std::nullopt;
  return Cost{took.count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime)};
}

// As Run, but a failure ends the benchmark.
Cost MustRun(const std::vector<std::string>& words, int exitCode) {
  std::optional<Cost> cost = Run(words, exitCode);
  if (!cost) {
    std::string line;
    for (const std::string& word : words) line += " " + word;
    std::fprintf(stderr, "boot_cost_bench:%s did not end with exit code %d\n", line.c_str(), exitCode);
    std::exit(1);
  }
  return *cost;
}

void WriteText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

// Lets the volume write back what a run left, so that no run pays for the one before.
void Settle() { MustRun({"sync"}, 0); }

// A device that reaches its main application, with a card that copies its
// Maps folder to the flash volume: `tree`, or nothing.
class Device {
 public:
  Device(fs::path folder, const FileTree* tree) : folder_(std::move(folder)) {
    const fs::path root = folder_ / "root";
    for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) fs::create_directories(root / volume);
    WriteText(root / "System/Main_Ap.exe", "#!/bin/sh\nexit 0\n");
    fs::permissions(root / "System/Main_Ap.exe", fs::perms::owner_exec, fs::perm_options::add);
    WriteText(folder_ / "device.ini", "[device]\ntimezone = UTC\n");
    fs::create_directories(Maps());
    if (tree) tree->Write(Maps());
    files_ = tree ? tree->folders * tree->filesPerFolder : 0;
    ResetCard();
  }

  const fs::path& Folder() const { return folder_; }
  fs::path Maps() const { return folder_ / "root/sd card/Maps"; }
  fs::path FlashCopy() const { return folder_ / "root/FlashHd/Maps"; }
  int Files() const { return files_; }

  // The card as before its first boot: a real boot moves the description and copies the folder.
  void ResetCard() const {
    const fs::path root = folder_ / "root";
    fs::remove_all(FlashCopy());
    fs::remove(root / "FlashHd/updatelog.txt");
    fs::remove(root / "System/update.xml");
    WriteText(root / "sd card/update.xml",
              "<config><logo_showtime>0</logo_showtime><exit_showtime>0</exit_showtime><update_already>0"
              "</update_already><update><copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/></update></config>\n");
  }

  // initap with `options` on this device: a dry run reaching the main application
  // without a warning ends with 0, a real boot with 1.
  std::vector<std::string> Boot(std::vector<std::string> options) const {
    options.insert(options.begin(), {kInitap.string(), "--quiet"});
    options.push_back(folder_.string());
    return options;
  }
  Cost DryRun(std::vector<std::string> options = {}) const {
    options.insert(options.begin(), "--dry-run");
    return MustRun(Boot(options), 0);
  }
  Cost RealBoot() const {
    const Cost cost = MustRun(Boot({}), 1);
    ResetCard();
    return cost;
  }

 private:
  fs::path folder_;
  int files_ = 0;
};

// Dry runs of `device` one after the other on a thread of their own, while it lives.
class SecondDryRun {
 public:
  explicit SecondDryRun(const Device& device) : words_(device.Boot({"--dry-run"})) {
    thread_ = std::thread([this] {
      while (!stop_) std::ignore = Run(words_, 0);
    });
  }
  ~SecondDryRun() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::vector<std::string> words_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The runs of one round, by name.
using Round = std::map<std::string, Cost>;

// The median over the rounds of a figure taken from each round.
template <typename Figure>
double Over(const std::vector<Round>& rounds, Figure figure) {
  std::vector<double> values;
  for (const Round& round : rounds) values.push_back(figure(round));
  return Median(values);
}

void PrintRatio(const char* what, double ratio, double target) {
  std::printf("  %-52s %6.2fx", what, ratio);
  if (target > 0) std::printf("  (target at most %.2fx: %s)", target, ratio <= target ? "met" : "MISSED");
  std::printf("\n");
}

// One round of every contender on `device`, against an empty card's boots on `empty`.
Round MeasureRound(const Device& device, const Device& empty, const Device* companion, bool frames,
                   const fs::path& work) {
  Round round;
  const fs::path copy = work / "cp-copy";
  const auto copyWords = std::vector<std::string>{"cp", "-a", device.Maps().string(), copy.string()};
  round["empty dry"] = empty.DryRun();
  round["dry"] = device.DryRun();
  round["cp"] = MustRun(copyWords, 0);
  fs::remove_all(copy);
  Settle();
  round["empty real"] = empty.RealBoot();
  Settle();
  round["real"] = device.RealBoot();
  Settle();
  round["cp sync"] = MustRun({"sh", "-c", "cp -a '" + device.Maps().string() + "' '" + copy.string() + "' && sync"}, 0);
  fs::remove_all(copy);
  Settle();
  if (frames) {
    round["empty frames"] = empty.DryRun({"--frames", (work / "frames").string()});
    round["frames"] = device.DryRun({"--frames", (work / "frames").string()});
    fs::remove_all(work / "frames");
    Settle();
  }
  if (companion) {
    const SecondDryRun beside(*companion);
    round["empty dry beside"] = empty.DryRun();
    round["dry beside"] = device.DryRun();
    round["empty real beside"] = empty.RealBoot();
    round["real beside"] = device.RealBoot();
  }
  Settle();
  return round;
}

struct Targets {
  double dryWall = 0;  // dry run's own wall time against cp -a's
  double dryCpu = 0;   // its CPU time against cp -a's wall time
  double real = 0;     // real boot's own wall time against cp -a; sync
};

void Report(const char* tree, const std::vector<Round>& rounds, const Targets& targets) {
  const auto wall = [](const char* name) { return [name](const Round& r) { return r.at(name).wall; }; };
  const auto own = [](const char* name, const char* empty) {
    return [name, empty](const Round& r) { return r.at(name).wall - r.at(empty).wall; };
  };
  const auto ownCpu = [](const char* name, const char* empty) {
    return [name, empty](const Round& r) { return r.at(name).cpu - r.at(empty).cpu; };
  };
  std::printf("%s: median of %zu rounds; a boot's own cost is the boot less the empty card's boot\n", tree,
              rounds.size());
  std::printf("  %-20s %8s %8s\n", "", "wall", "CPU");
  for (const char* name : {"empty dry", "dry", "cp", "empty real", "real", "cp sync"}) {
    std::printf("  %-20s %7.3fs %7.3fs\n", name, Over(rounds, wall(name)),
                Over(rounds, [name](const Round& r) { return r.at(name).cpu; }));
  }
  std::printf("  dry run's own cost: %.3f s wall, %.3f s CPU\n", Over(rounds, own("dry", "empty dry")),
              Over(rounds, ownCpu("dry", "empty dry")));
  PrintRatio("dry run's own wall time / cp -a",
             Over(rounds, [&](const Round& r) { return own("dry", "empty dry")(r) / r.at("cp").wall; }),
             targets.dryWall);
  PrintRatio("dry run's own CPU time / cp -a's wall time",
             Over(rounds, [&](const Round& r) { return ownCpu("dry", "empty dry")(r) / r.at("cp").wall; }),
             targets.dryCpu);
  std::printf("  real boot's own cost: %.3f s wall, %.3f s CPU\n", Over(rounds, own("real", "empty real")),
              Over(rounds, ownCpu("real", "empty real")));
  PrintRatio("real boot's own wall time / cp -a; sync",
             Over(rounds, [&](const Round& r) { return own("real", "empty real")(r) / r.at("cp sync").wall; }),
             targets.real);
  if (rounds.front().contains("frames")) {
    std::printf("  dry run with --frames: %.3f s wall, %.3f s CPU\n", Over(rounds, wall("frames")),
                Over(rounds, [](const Round& r) { return r.at("frames").cpu; }));
    PrintRatio(
        "dry run's own wall time, with --frames / without",
        Over(rounds, [&](const Round& r) { return own("frames", "empty frames")(r) / own("dry", "empty dry")(r); }),
        2.0);
  }
  if (rounds.front().contains("dry beside")) {
    PrintRatio(
        "dry run's own wall time, a second dry run beside / alone",
        Over(rounds,
             [&](const Round& r) { return own("dry beside", "empty dry beside")(r) / own("dry", "empty dry")(r); }),
        1.3);
    PrintRatio(
        "real boot's own wall time, a second dry run beside / alone",
        Over(rounds,
             [&](const Round& r) { return own("real beside", "empty real beside")(r) / own("real", "empty real")(r); }),
        1.3);
  }
}

// The calls of one process and its threads as strace -c -f counts them, by name; empty when strace failed.
std::map<std::string, double> CountCalls(const std::vector<std::string>& words, int exitCode, const fs::path& out) {
  std::vector<std::string> traced{"strace", "-c", "-f", "-o", out.string()};
  traced.insert(traced.end(), words.begin(), words.end());
  std::map<std::string, double> calls;
  if (!Run(traced, exitCode)) return calls;
  // "% time seconds usecs/call calls [errors] syscall", a line each, and "total".
  std::ifstream summary(out);
  for (std::string line; std::getline(summary, line);) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    if (words.size() < 5 || words[0].find_first_not_of("0123456789.") != std::string::npos) continue;
    calls[words.back()] = std::atof(words[3].c_str());
  }
  return calls;
}

void PrintCallsPerFile(const char* what, std::map<std::string, double> calls,
                       const std::map<std::string, double>& empty, int files) {
  if (calls.empty() || empty.empty()) {
    std::printf("  %s: strace did not count the calls\n", what);
    return;
  }
  std::vector<std::pair<double, std::string>> perFile;
  for (auto& [name, count] : calls) {
    const auto base = empty.find(name);
    perFile.emplace_back((count - (base == empty.end() ? 0 : base->second)) / files, name);
  }
  std::sort(perFile.rbegin(), perFile.rend());
  std::printf("  %-10s", what);
  for (const auto& [count, name] : perFile) {
    if (name == "total") std::printf(" %.1f calls a file:", count);
  }
  int shown = 0;
  for (const auto& [count, name] : perFile) {
    if (name != "total" && shown++ < 8) std::printf(" %s %.1f", name.c_str(), count);
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: boot_cost_bench WORKDIR [ROUNDS]\n");
    return 2;
  }
  // A line at a time, so that each figure shows as soon as it is measured.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const fs::path work = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  if (!fs::exists(kInitap)) {
    std::fprintf(stderr, "boot_cost_bench: %s is not built\n", kInitap.c_str());
    return 1;
  }
  const Device empty(work / "empty", nullptr);
  const Device small(work / "small", &kSmallTree);
  const Device companion(work / "companion", &kSmallTree);
  Settle();

  std::vector<Round> smallRounds;
  for (int round = 0; round < rounds; ++round)
    smallRounds.push_back(MeasureRound(small, empty, &companion, true, work));
  Report("10,000 files of 4 KiB in 100 folders", smallRounds, Targets{0.3, 0.4, 1.5});

  if (Run({"strace", "-V"}, 0)) {
    std::printf("system calls a file, less the empty card's (strace -c -f)\n");
    const fs::path out = work / "strace.txt";
    PrintCallsPerFile("dry run", CountCalls(small.Boot({"--dry-run"}), 0, out),
                      CountCalls(empty.Boot({"--dry-run"}), 0, out), small.Files());
    const std::map<std::string, double> emptyReal = CountCalls(empty.Boot({}), 1, out);
    empty.ResetCard();
    const std::map<std::string, double> real = CountCalls(small.Boot({}), 1, out);
    small.ResetCard();
    PrintCallsPerFile("real boot", real, emptyReal, small.Files());
  } else {
    std::printf("system calls a file: not counted, strace is not installed\n");
  }
  fs::remove_all(work / "small");
  fs::remove_all(work / "companion");

  const Device large(work / "large", &kLargeTree);
  Settle();
  std::vector<Round> largeRounds;
  for (int round = 0; round < rounds; ++round) largeRounds.push_back(MeasureRound(large, empty, nullptr, false, work));
  Report("4 files of 256 MiB", largeRounds, Targets{0, 0, 1.05});
  const double dryOwn = Over(largeRounds, [](const Round& r) { return r.at("dry").wall - r.at("empty dry").wall; });
  std::printf("  dry run's own wall time: %+.3f s  (target at most +0.3 s: %s)\n", dryOwn,
              dryOwn <= 0.3 ? "met" : "MISSED");
  return 0;
}
