// A program started by the host's own tools, its standard output and
// standard error read as they come, interleaved.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::host {

class ChildProcess {
 public:
  // Starts `words` (the program, looked for on PATH when its name holds no
  // folder, then its arguments) with nothing on its standard input.
  explicit ChildProcess(std::vector<std::string> words);
  // A run still going is killed.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads the output until it holds `text`; false when the output ended or `longest` passed first.
  bool WaitFor(std::string_view text, std::chrono::milliseconds longest);
  // Ends the run at once.
  void Kill();
  // Waits for the run to end by itself, reading its output; the exit code,
  // -1 when it did not start, ended by a signal or was killed once `longest` passed.
  int Finish(std::optional<std::chrono::milliseconds> longest = std::nullopt);
  // The standard output and standard error read so far.
  const std::string& Output() const { return output_; }

 private:
  // Reads what comes within `waitMilliseconds`; notes the end of the output.
  void ReadSome(int waitMilliseconds);

  int pid_ = 0;  // 0 once the run has ended
  int pipe_ = -1;
  bool open_ = false;  // the output has not ended yet
  std::string output_;
};

}  // namespace platform::host
