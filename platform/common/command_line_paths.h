// The paths a command line names, as the platform finds them: where each one
// is and what is there. The command line's rules about its paths are written
// once, over these questions that only the platform can answer.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class CommandLinePaths {
 public:
  // What the program makes of a path it is given.
  enum class Kind { kDevice, kMountedFolder, kOutputFile, kOutputFolder };
  // Whether a file can be written at a path when the run ends.
  enum class OutputFile { kWritable, kFolder, kNoFolder, kNotWritable };

  virtual ~CommandLinePaths() = default;

  // The path the platform uses for `given`, a path of `kind` as the command
  // line spells it (UTF-8); asked once for each, in the order they are read.
  virtual std::string Place(Kind kind, std::string_view given) = 0;
  // Whether `placed` is an existing folder.
  virtual bool IsFolder(const std::string& placed) const = 0;
  // kFolder when `placed` names a folder or no file at all, kNoFolder when
  // its folder is missing, kNotWritable when it or its folder is read-only.
  virtual OutputFile CheckOutputFile(const std::string& placed) const = 0;
};

}  // namespace platform
