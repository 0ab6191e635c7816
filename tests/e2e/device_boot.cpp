#include "tests/e2e/device_boot.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>

extern char** environ;

namespace initap::test {

namespace {

constexpr auto kLongestBoot = std::chrono::seconds(60);
// "(MM-DD HH:MM) "
constexpr std::size_t kStampLength = 14;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

BootResult Boot(const std::filesystem::path& device, const std::vector<std::string>& arguments) {
  BootResult result;
  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) return result;

  std::vector<std::string> words{kInitap.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  words.push_back(device.string());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  if (spawned != 0) {
    close(output[0]);
    return result;
  }

  // The programs the device starts may keep the pipe open; the run ends with initap itself.
  const auto deadline = std::chrono::steady_clock::now() + kLongestBoot;
  int status = 0;
  bool ended = false;
  bool open = true;
  while (!ended) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      close(output[0]);
      return result;
    }
    if (open) {
      pollfd readable{output[0], POLLIN, 0};
      if (poll(&readable, 1, 20) > 0) {
        char chunk[4096];
        const ssize_t got = read(output[0], chunk, sizeof chunk);
        if (got > 0) {
          result.output.append(chunk, static_cast<std::size_t>(got));
        } else {
          open = false;
        }
      }
    } else {
      usleep(5000);
    }
    ended = waitpid(pid, &status, WNOHANG) == pid;
  }
  // What is still in the pipe once initap has ended.
  fcntl(output[0], F_SETFL, O_NONBLOCK);
  char chunk[4096];
  for (ssize_t got; open && (got = read(output[0], chunk, sizeof chunk)) > 0;) {
    result.output.append(chunk, static_cast<std::size_t>(got));
  }
  close(output[0]);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

std::vector<std::string> LogLines(const DeviceUnderTest& device) {
  if (!device.Exists("FlashHd/updatelog.txt")) return {};
  return Lines(device.ReadFile("FlashHd/updatelog.txt"));
}

std::vector<std::string> LogMessages(const DeviceUnderTest& device) {
  std::vector<std::string> messages;
  for (const std::string& line : LogLines(device)) {
    messages.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : "stamp missing: " + line);
  }
  return messages;
}

std::vector<Launch> Launches(const DeviceUnderTest& device) {
  std::vector<Launch> launches;
  if (!device.DeviceFileExists("launched.log")) return launches;
  for (const std::string& line : Lines(device.ReadDeviceFile("launched.log"))) {
    for (const char* outcome : {" started ", " failed "}) {
      const std::size_t at = line.find(outcome);
      if (at == std::string::npos) continue;
      const std::string word(outcome);
      launches.push_back({word.substr(1, word.size() - 2), line.substr(at + word.size())});
      break;
    }
  }
  return launches;
}

std::optional<std::int64_t> ClockOffset(const DeviceUnderTest& device) {
  if (!device.DeviceFileExists("clock")) return std::nullopt;
  std::istringstream in(device.ReadDeviceFile("clock"));
  std::int64_t offset = 0;
  if (!(in >> offset)) return std::nullopt;
  return offset;
}

std::string NmeaSentence(std::string_view body) {
  unsigned checksum = 0;
  for (const char c : body) checksum ^= static_cast<unsigned char>(c);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", checksum);
  return "$" + std::string(body) + "*" + digits + "\r\n";
}

void MakeBootableDevice(DeviceUnderTest& device) {
  device.WriteFile("System/Main_Ap.exe", "#!/bin/sh\nexit 0\n", true);
  device.WriteFile("Windows/explorer.exe", "#!/bin/sh\nexit 0\n", true);
  device.WriteDeviceFile("registry.reg",
                         "REGEDIT4\n\n"
                         "[HKEY_CLASSES_ROOT\\CLSID\\{00021400-0000-0000-C000-000000000046}]\n"
                         "\"DisplayName\"=\"Desktop\"\n");
  device.MakeFolder("Windows/Desktop");
  device.WriteFile("System/shortcut.xml",
                   "<shortcuts><shortcut name=\"Navigation\" path=\"\\System\\Main_Ap.exe\"/></shortcuts>\n");
}

std::string Description(std::string_view inner) {
  return "<?xml version=\"1.0\"?>\n<config>\n<logo_showtime>0</logo_showtime>\n<exit_showtime>0</exit_showtime>\n" +
         std::string(inner) + "\n</config>\n";
}

}  // namespace initap::test
