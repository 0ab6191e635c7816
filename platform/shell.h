// Shell service: starting a program or command by its device path or name.
#pragma once

#include <string_view>

namespace platform {

class Shell {
 public:
  virtual ~Shell() = default;
  // Starts `file` (a device path, or a bare name such as "explorer") in a
  // normal window, without error dialogs and without waiting; true when started.
  [[nodiscard]] virtual bool Execute(std::wstring_view file) = 0;
};

}  // namespace platform
