// What initap.exe tells the program that puts host paths on drives before it
// boots a device (tools/wine-boot.sh): each path the command line names and
// what it is, in the order they are read.
#pragma once

#include <string>

#include "platform/common/command_line_paths.h"

namespace platform::win32 {

class BootPlan final : public CommandLinePaths {
 public:
  // Each path as given; none is looked at, as they are the host's.
  std::string Place(Kind kind, std::string_view given) override;
  bool IsFolder(const std::string&) const override { return true; }
  OutputFile CheckOutputFile(const std::string&) const override { return OutputFile::kWritable; }

  // Writes "KIND\0PATH\0" for each path, KIND one of device, mount, file and
  // folder; false when `file` cannot be written whole.
  bool Write(const std::wstring& file) const;

 private:
  std::string records_;
};

}  // namespace platform::win32
