// The shell as the system sees it, with each program start told to listeners.
#pragma once

#include <string_view>
#include <vector>

#include "platform/shell.h"

namespace platform {

// Hears each request to start a program, on the calling thread.
class ShellListener {
 public:
  virtual ~ShellListener() = default;
  // `file` is about to be asked of the shell below.
  virtual void BeforeStart(std::wstring_view /*file*/) {}
  // The shell below answered: `started` when the program runs.
  virtual void AfterStart(std::wstring_view /*file*/, bool /*started*/) {}
};

// A service of one call needs no forwarding base: this layer is the whole of it.
class ObservedShell final : public Shell {
 public:
  // `below` must outlive this shell.
  explicit ObservedShell(Shell& below) : below_(below) {}

  // `listener` must outlive this shell; not while calls run.
  void AddListener(ShellListener& listener) { listeners_.push_back(&listener); }

  bool Execute(std::wstring_view file) override {
    for (ShellListener* listener : listeners_) listener->BeforeStart(file);
    const bool started = below_.Execute(file);
    for (ShellListener* listener : listeners_) listener->AfterStart(file, started);
    return started;
  }

 private:
  Shell& below_;
  std::vector<ShellListener*> listeners_;
};

}  // namespace platform
