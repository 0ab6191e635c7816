// The window system on the Windows API: a real window class and message
// loop. The synchronous repaint is Windows' own: a worker's UpdateWindow
// sends the paint message to the window's thread and returns once it has
// been handled there.
#pragma once

#include "platform/window.h"

namespace platform::win32 {

class Win32WindowSystem final : public WindowSystem {
 public:
  // Windows of `width` by `height` pixels at the screen's top left corner.
  Win32WindowSystem(int width, int height);

  WindowHandle CreateWindow(WindowProcedure& procedure) override;
  void ShowWindow(WindowHandle window, int showCommand) override;
  bool DestroyWindow(WindowHandle window) override;
  bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override;
  void PostQuitMessage(int exitCode) override;
  bool GetMessage(Message& message) override;
  std::intptr_t DispatchMessage(const Message& message) override;
  std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;
  void InvalidateWindow(WindowHandle window) override;
  bool UpdateWindow(WindowHandle window) override;

 private:
  int width_;
  int height_;
};

}  // namespace platform::win32
