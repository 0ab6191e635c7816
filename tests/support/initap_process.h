// One run of the initap executable on a device folder, its standard output
// and standard error read as they come.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/child_process.h"

namespace initap::test {

// The executable under test; the tests that run it skip while it is not built.
inline const std::filesystem::path kInitap = INITAP_BINARY_DIR "/initap";

class InitapProcess {
 public:
  // Starts `initap ARGS... DEVICE` with nothing on its standard input.
  explicit InitapProcess(const std::filesystem::path& device, const std::vector<std::string>& arguments = {});
  // Another program, such as tools/wine-boot.sh that boots a device the same
  // way; looked for on PATH when its name holds no folder.
  struct Command {
    std::vector<std::string> words;
  };
  explicit InitapProcess(Command command) : process_(std::move(command.words)) {}

  // Reads the output until it holds `text`; false when the output ended or a minute passed first.
  bool WaitFor(std::string_view text) { return process_.WaitFor(text, kLongestRun); }
  // The power cut: ends the run at once.
  void Kill() { process_.Kill(); }
  // Waits for the run to end by itself, reading its output; the exit code,
  // -1 when it did not start, ended by a signal or was killed after a minute.
  int Finish() { return process_.Finish(kLongestRun); }
  // The standard output and standard error read so far, interleaved.
  const std::string& Output() const { return process_.Output(); }

 private:
  static constexpr std::chrono::milliseconds kLongestRun{60000};

  platform::host::ChildProcess process_;
};

}  // namespace initap::test
