// The program's lines on standard output and standard error, each whole
// whichever thread writes it, and the end of the program after the last one.
#pragma once

#include <cstdio>
#include <string_view>

namespace platform {

// Writes `text` and a line end to `stream` and flushes it, under the lock
// that every line takes.
void PrintLine(std::FILE* stream, std::string_view text);

// Flushes standard output and standard error under that lock and ends the
// process with `exitCode` without running static destructors: a worker may
// still be copying when the window was closed from outside.
[[noreturn]] void EndProcess(int exitCode);

}  // namespace platform
