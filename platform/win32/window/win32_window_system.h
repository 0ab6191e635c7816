// The window system on the Windows API: a real window class and message
// loop. The synchronous repaint is Windows' own: a worker's UpdateWindow
// sends the paint message to the window's thread and returns once it has
// been handled there.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/window.h"

namespace platform::win32 {

// How a run with nobody at the screen ends: once it has come to rest (no
// thread of the system alive, no message pending, no handler running), or
// when `closeAfter` has passed, the window is closed from outside, as a
// person would, and `notice` is told why.
struct WindowOptions {
  std::function<int()> liveThreads;  // empty: the run never counts as at rest
  std::optional<std::chrono::milliseconds> closeAfter;
  std::function<void(std::string_view)> notice;
};

class Win32WindowSystem final : public WindowSystem {
 public:
  // Windows of `width` by `height` pixels at the screen's top left corner.
  Win32WindowSystem(int width, int height, WindowOptions options = {});

  WindowHandle CreateWindow(WindowProcedure& procedure) override;
  void ShowWindow(WindowHandle window, int showCommand) override;
  bool DestroyWindow(WindowHandle window) override;
  bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  void PostQuitMessage(int exitCode) override;
  bool GetMessage(Message& message) override;
  std::intptr_t DispatchMessage(const Message& message) override;
  std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;
  void InvalidateWindow(WindowHandle window) override;
  bool UpdateWindow(WindowHandle window) override;

 private:
  // Closes the first window from outside, once.
  void CloseFromOutside(std::string_view why);

  int width_;
  int height_;
  WindowOptions options_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  void* window_ = nullptr;  // the last window made
  bool closedFromOutside_ = false;
};

}  // namespace platform::win32
