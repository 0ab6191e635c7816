#include "platform/host/shell/detached_start.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/host/unique_fd.h"

namespace platform::host {

namespace {

// Runs in the forked child: only async-signal-safe calls, and never returns.
[[noreturn]] void RunProgram(int programFd, char* const argv[], int input, int report) {
  setsid();
  const pid_t program = _Fork();  // no fork handlers: this child may not run them
  if (program != 0) {
    if (program < 0) {
      const int error = errno;
      [[maybe_unused]] const auto written = write(report, &error, sizeof error);
    }
    _exit(program < 0 ? 127 : 0);
  }
  // The program's parent is gone; it runs on in the new session.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard = {};
  standard.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &standard, nullptr);
  if (input >= 0) {
    if (input == STDIN_FILENO) {
      fcntl(input, F_SETFD, 0);
    } else {
      dup2(input, STDIN_FILENO);
    }
  }
  execveat(programFd, "", argv, environ, AT_EMPTY_PATH);
  // A script's interpreter reads it through /dev/fd, which a close-on-exec descriptor does not survive.
  if (errno == ENOENT && fcntl(programFd, F_SETFD, 0) == 0) execveat(programFd, "", argv, environ, AT_EMPTY_PATH);
  const int error = errno;
  [[maybe_unused]] const auto written = write(report, &error, sizeof error);
  _exit(127);
}

}  // namespace

int StartDetached(int programFd, const std::string& name) {
  UniqueFd input(open("/dev/null", O_RDONLY | O_CLOEXEC));
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return errno;
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);
  std::string argv0 = name;
  char* const argv[] = {argv0.data(), nullptr};

  const pid_t child = fork();
  if (child < 0) return errno;
  if (child == 0) RunProgram(programFd, argv, input.Get(), writeEnd.Get());
  writeEnd.Reset();
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The report pipe closes without a word when the exec succeeded.
  int error = 0;
  ssize_t got = 0;
  while ((got = read(readEnd.Get(), &error, sizeof error)) < 0 && errno == EINTR) {
  }
  if (got == 0) return 0;
  return got == static_cast<ssize_t>(sizeof error) ? error : EIO;
}

}  // namespace platform::host
