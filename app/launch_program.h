// Starting a program or command through the platform shell.
#pragma once

#include <string_view>

namespace initap {

class Init_AP;

// Asks the shell to start `file` in a normal window, without error dialogs;
// true when it started.
[[nodiscard]] bool LaunchProgram(Init_AP& app, std::wstring_view file);

}  // namespace initap
