// The program entry: creates the one window, runs its message loop and gives the exit code.
#pragma once

#include "platform/platform.h"

namespace initap {

// 1 after the window closed; 0 when the window could not be created.
[[nodiscard]] int ProgramEntry(platform::Platform& platform, int showCommand);

// Creates and shows the window and runs the loop until the quit message.
[[nodiscard]] int Run(platform::Platform& platform, int showCommand);

}  // namespace initap
