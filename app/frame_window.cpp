#include "app/frame_window.h"

namespace initap {

platform::WindowHandle FrameWindow::Create() {
  const platform::WindowHandle created = windows_.CreateWindow(*this);
  if (created == 0) handle_ = 0;
  return created;
}

std::intptr_t FrameWindow::WindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
  if (handle_ == 0 && message == platform::WM_CREATE) handle_ = window;
  std::intptr_t result = 0;
  bool handled = true;
  if (ProcessWindowMessage(message, wParam, lParam, result, handled) && handled) return result;

  // Frame handling: a top-level frame (neither child nor pop-up) ends the
  // thread's message loop with code 1 when it is destroyed.
  if (message == platform::WM_DESTROY) {
    handle_ = 0;
    windows_.PostQuitMessage(1);
  }
  return windows_.DefWindowProc(window, message, wParam, lParam);
}

}  // namespace initap
