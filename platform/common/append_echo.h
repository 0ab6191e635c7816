// The console's view of one file the system appends to (the update log):
// each text appended, handed on once it is on the volume.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/common/device_names.h"
#include "platform/common/observed_file_system.h"

namespace platform {

class AppendEcho final : public FileListener {
 public:
  // `print` receives each text appended to `path` (compared as the device
  // compares paths), as it was written.
  AppendEcho(std::wstring_view path, std::function<void(std::wstring_view)> print)
      : path_(ComparableDevicePath(path)), print_(std::move(print)) {}

  void Appended(std::wstring_view path, std::wstring_view text) override {
    if (ComparableDevicePath(path) == path_) print_(text);
  }

 private:
  std::wstring path_;
  std::function<void(std::wstring_view)> print_;
};

}  // namespace platform
