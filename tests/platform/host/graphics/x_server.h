// A private X display (Xvfb) for tests of the window display, with the few
// things a person at that desktop would do: look at a window and close it.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/display_driver.h"

namespace initap::test {

// Runs a program and waits for it; its exit code, or -1 when it did not run.
int RunProgram(const std::vector<std::string>& arguments, std::string* output = nullptr);

// Starts a program without waiting; its process id, or -1.
pid_t StartProgram(const std::vector<std::string>& arguments);

// Waits up to `seconds` for a started program; its exit code, or none when it
// is still running (it is then killed) or died of a signal.
std::optional<int> WaitProgram(pid_t process, int seconds);

// True when `name` is a program on the PATH.
bool HasProgram(const std::string& name);

// An XWD picture ("xwd -out") in the screen's byte order: blue, green, red.
bool ParseXwd(const std::string& file, platform::host::ScreenImage& image, std::string& error);

class XServer {
 public:
  XServer() = default;
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // Starts Xvfb on a free display; false with `error` filled when it does not come up.
  bool Start(std::string& error);
  // ":N", for DISPLAY.
  std::string Display() const { return ":" + std::to_string(number_); }

  // The visible window of this title; 0 when none shows within `seconds`.
  unsigned long FindWindow(const std::string& title, int seconds) const;
  // The window's content as the X server holds it.
  bool Capture(unsigned long window, platform::host::ScreenImage& image, std::string& error) const;
  // Asks the window's owner to close it, as a window manager does for a
  // person (WM_DELETE_WINDOW); false when the request could not be sent.
  bool RequestClose(unsigned long window, std::string& error) const;

 private:
  pid_t process_ = -1;
  int number_ = -1;
  std::filesystem::path scratch_;
};

}  // namespace initap::test
