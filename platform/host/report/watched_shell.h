// The shell service with each program start told to the card watch first.
#pragma once

#include "platform/host/report/card_watch.h"
#include "platform/shell.h"

namespace platform::host {

class WatchedShell final : public Shell {
 public:
  // Both must outlive this service.
  WatchedShell(Shell& shell, CardWatch& watch) : shell_(shell), watch_(watch) {}

  bool Execute(std::wstring_view file) override {
    watch_.ProgramStarted(file);
    return shell_.Execute(file);
  }

 private:
  Shell& shell_;
  CardWatch& watch_;
};

}  // namespace platform::host
