#include "platform/host/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform::host {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> words) {
  int output[2];
  if (words.empty() || pipe2(output, O_CLOEXEC) != 0) return;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
  // A file another thread is writing stays open in the child otherwise, and a
  // program the child starts from such a file fails as busy.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  pid_t pid = 0;
  const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  if (!spawned) {
    close(output[0]);
    return;
  }
  pid_ = pid;
  pipe_ = output[0];
  open_ = true;
}

ChildProcess::~ChildProcess() {
  Kill();
  if (pipe_ >= 0) close(pipe_);
}

void ChildProcess::ReadSome(int waitMilliseconds) {
  pollfd readable{pipe_, POLLIN, 0};
  if (poll(&readable, 1, waitMilliseconds) <= 0) return;
  char chunk[4096];
  const ssize_t got = read(pipe_, chunk, sizeof chunk);
  if (got > 0) {
    output_.append(chunk, static_cast<std::size_t>(got));
  } else {
    open_ = false;
  }
}

bool ChildProcess::WaitFor(std::string_view text, std::chrono::milliseconds longest) {
  const auto deadline = Clock::now() + longest;
  while (output_.find(text) == std::string::npos) {
    if (!open_ || Clock::now() > deadline) return false;
    ReadSome(50);
  }
  return true;
}

void ChildProcess::Kill() {
  if (pid_ == 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
}

int ChildProcess::Finish(std::optional<std::chrono::milliseconds> longest) {
  if (pid_ == 0) return -1;
  // The programs the child starts may keep the pipe open; the run ends with the child itself.
  const auto deadline = longest ? Clock::now() + *longest : Clock::time_point::max();
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) != pid_) {
    if (Clock::now() > deadline) {
      Kill();
      return -1;
    }
    if (open_) {
      ReadSome(20);
    } else {
      usleep(5000);
    }
  }
  pid_ = 0;
  // What is still in the pipe once the child has ended.
  fcntl(pipe_, F_SETFL, O_NONBLOCK);
  char chunk[4096];
  for (ssize_t got; open_ && (got = read(pipe_, chunk, sizeof chunk)) > 0;) {
    output_.append(chunk, static_cast<std::size_t>(got));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace platform::host
