// The program's arguments as Windows gives them, in wide characters.
#pragma once

#include <string>
#include <vector>

namespace platform::win32 {

// Without the program's own name.
std::vector<std::wstring> CommandArguments();

}  // namespace platform::win32
