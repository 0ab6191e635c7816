// The window system of a device on the host: a message queue for the
// window's thread, posting from any thread, the synchronous repaint that
// another thread may ask for, and the outside world's close requests (a
// person at the desktop, --close-after, or a run that has come to rest).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/host/display_driver.h"
#include "platform/host/kernel/host_kernel.h"
#include "platform/window.h"

namespace platform::host {

struct WindowOptions {
  // Close the window from outside this long after the window system started.
  std::optional<std::chrono::milliseconds> closeAfter;
  // Tells the person at the terminal why the window was closed from outside.
  std::function<void(std::string_view)> notice;
};

class HostWindowSystem final : public WindowSystem {
 public:
  // The window system learns from `kernel` when the system's threads end,
  // and shows frames and takes close requests through `display`.
  HostWindowSystem(HostKernel& kernel, DisplayDriver& display, WindowOptions options);
  ~HostWindowSystem() override;

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
  struct WindowState {
    WindowProcedure* procedure = nullptr;
    bool visible = false;
    bool invalid = true;
  };
  // A repaint that another thread waits for.
  struct PaintRequest {
    WindowHandle window = 0;
    bool finished = false;
    bool painted = false;
  };

  bool OnWindowThread() const { return std::this_thread::get_id() == windowThread_; }
  // Paints `window` now on the window's thread; false when it is gone.
  bool PaintNow(WindowHandle window);
  // Posts the close request from outside once, with a notice.
  void CloseFromOutside(std::unique_lock<std::mutex>& lock, std::string_view why);
  // Hands the desktop's pending events to the display; a close asked there is queued.
  void PollDisplay(std::unique_lock<std::mutex>& lock);
  WindowProcedure* ProcedureOf(WindowHandle window);

  HostKernel& kernel_;
  DisplayDriver& display_;
  WindowOptions options_;
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();

  std::mutex mutex_;
  // The window's thread sleeps on this until something may give it work.
  std::condition_variable workForWindowThread_;
  // Threads that wait for a paint sleep on this until one has finished.
  std::condition_variable paintDone_;
  std::map<WindowHandle, WindowState> windows_;
  std::deque<Message> posted_;
  std::deque<PaintRequest*> paintRequests_;
  std::optional<int> quit_;
  std::thread::id windowThread_;
  WindowHandle nextHandle_ = 0x10;
  bool closedFromOutside_ = false;
  // When a desktop window's events are looked at next.
  std::chrono::steady_clock::time_point nextPoll_;
  // Paint messages handed to the window's thread, and those it has finished.
  unsigned paintsTaken_ = 0;
  unsigned paintsFinished_ = 0;
};

}  // namespace platform::host
