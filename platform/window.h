// Window service: one message queue per window thread, posting from any
// thread, and the synchronous repaint that a worker thread may ask for.
#pragma once

#include <cstdint>

namespace platform {

using WindowHandle = std::uintptr_t;  // 0: no window

inline constexpr std::uint32_t WM_CREATE = 1;
inline constexpr std::uint32_t WM_DESTROY = 2;
inline constexpr std::uint32_t WM_PAINT = 15;
inline constexpr std::uint32_t WM_CLOSE = 16;
inline constexpr std::uint32_t WM_QUIT = 18;
inline constexpr std::uint32_t WM_ERASEBKGND = 20;
inline constexpr std::uint32_t WM_USER = 1024;

struct Message {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// What a window hands each of its messages to.
class WindowProcedure {
 public:
  virtual ~WindowProcedure() = default;
  [[nodiscard]] virtual std::intptr_t WindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                                 std::intptr_t lParam) = 0;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Creates a hidden window served by `procedure` on the calling thread and
  // sends it the create message. 0 when creation failed or the window was
  // destroyed during its create message.
  [[nodiscard]] virtual WindowHandle CreateWindow(WindowProcedure& procedure) = 0;
  // Makes the window visible; a visible window that needs painting gets a paint message.
  virtual void ShowWindow(WindowHandle window, int showCommand) = 0;
  // Sends the destroy message and forgets the window; false for an unknown window.
  [[nodiscard]] virtual bool DestroyWindow(WindowHandle window) = 0;
  // Queues a message for the window's thread; callable from any thread.
  [[nodiscard]] virtual bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                         std::intptr_t lParam) = 0;
  // Queues the quit message for the calling thread's loop.
  virtual void PostQuitMessage(int exitCode) = 0;
  // Takes the next message, waiting when there is none; repaints asked for by
  // other threads are served while it waits. False for the quit message,
  // whose code is then in message.wParam.
  [[nodiscard]] virtual bool GetMessage(Message& message) = 0;
  // Hands a message to its window's procedure.
  [[nodiscard]] virtual std::intptr_t DispatchMessage(const Message& message) = 0;
  // The platform's default handling: the close request destroys the window.
  [[nodiscard]] virtual std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                                    std::intptr_t lParam) = 0;
  // Marks the whole window as needing a paint, without erasing the background.
  virtual void InvalidateWindow(WindowHandle window) = 0;
  // Paints the window now if it needs it; from another thread, returns once the
  // window's thread has painted, or false when the window went away meanwhile.
  [[nodiscard]] virtual bool UpdateWindow(WindowHandle window) = 0;
};

}  // namespace platform
