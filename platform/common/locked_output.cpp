#include "platform/common/locked_output.h"

#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

std::mutex outputLock;

}  // namespace

void PrintLine(std::FILE* stream, std::string_view text) {
  std::lock_guard lock(outputLock);
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

void EndProcess(int exitCode) {
  // Held to the end: no line is begun after the flush.
  outputLock.lock();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(exitCode);
}

}  // namespace platform
