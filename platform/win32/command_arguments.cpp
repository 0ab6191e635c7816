#include "platform/win32/command_arguments.h"

#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace platform::win32 {

std::vector<std::wstring> CommandArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (list == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
  LocalFree(list);
  return arguments;
}

}  // namespace platform::win32
