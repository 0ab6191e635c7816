// The paths of initap's command line as the Windows API finds them: each one
// as given, or where the program that started initap.exe put it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/common/command_line_paths.h"

namespace platform::win32 {

class Win32Paths final : public CommandLinePaths {
 public:
  // `places` (UTF-8) are where the paths the command line names are, in the
  // order they are read, as tools/wine-boot.sh puts host paths on drives; an
  // empty list takes each path as given. A path the list lacks is nowhere.
  explicit Win32Paths(std::vector<std::string> places) : places_(std::move(places)) {}

  std::string Place(Kind kind, std::string_view given) override;
  bool IsFolder(const std::string& placed) const override;
  OutputFile CheckOutputFile(const std::string& placed) const override;

 private:
  std::vector<std::string> places_;
  std::size_t placed_ = 0;
};

}  // namespace platform::win32
