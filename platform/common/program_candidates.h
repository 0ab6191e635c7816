// Where a request to start a program may lead on the device.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// `file` itself when it is a path; a bare name ("explorer") is a program of
// the \Windows folder, looked for with ".exe" first and then as it is.
inline std::vector<std::wstring> ProgramCandidates(std::wstring_view file) {
  if (file.find(L'\\') != std::wstring_view::npos) return {std::wstring(file)};
  const std::wstring inWindows = L"\\Windows\\" + std::wstring(file);
  return {inWindows + L".exe", inWindows};
}

}  // namespace platform
