#include "platform/host/window/host_window_system.h"

#include <algorithm>
#include <tuple>

namespace platform::host {

namespace {

// While a desktop window is open, its events are looked at this often.
constexpr auto kPollInterval = std::chrono::milliseconds(10);

// Wakes the threads waiting on `waiters` with `lock` let go meanwhile: a
// woken thread then finds the lock free instead of sleeping again until the
// waker lets go of it, a sleep and a wake-up more on each file's repaint.
void WakeUnlocked(std::unique_lock<std::mutex>& lock, std::condition_variable& waiters) {
  lock.unlock();
  waiters.notify_all();
  lock.lock();
}

}  // namespace

HostWindowSystem::HostWindowSystem(HostKernel& kernel, DisplayDriver& display, WindowOptions options)
    : kernel_(kernel), display_(display), options_(std::move(options)) {
  kernel_.SetThreadEndListener([this] {
    // Taking the lock orders the wake-up after the waiter's last look.
    std::lock_guard lock(mutex_);
    workForWindowThread_.notify_all();
  });
}

HostWindowSystem::~HostWindowSystem() { kernel_.SetThreadEndListener(nullptr); }

WindowHandle HostWindowSystem::CreateWindow(WindowProcedure& procedure) {
  WindowHandle handle;
  {
    std::lock_guard lock(mutex_);
    windowThread_ = std::this_thread::get_id();
    handle = nextHandle_++;
    windows_[handle] = WindowState{&procedure, false, true};
  }
  // A window destroyed during its own create message counts as created: its
  // destroy handling has queued the quit message that ends the loop.
  if (procedure.WindowProc(handle, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(handle);
    return 0;
  }
  return handle;
}

void HostWindowSystem::ShowWindow(WindowHandle window, int /*showCommand*/) {
  std::lock_guard lock(mutex_);
  if (auto it = windows_.find(window); it != windows_.end()) it->second.visible = true;
  workForWindowThread_.notify_all();
}

bool HostWindowSystem::DestroyWindow(WindowHandle window) {
  WindowProcedure* procedure = ProcedureOf(window);
  if (procedure == nullptr) return false;
  std::ignore = procedure->WindowProc(window, WM_DESTROY, 0, 0);
  std::lock_guard lock(mutex_);
  windows_.erase(window);
  // Whoever waits for a paint of this window is released.
  for (PaintRequest* request : paintRequests_) {
    if (request->window == window) request->finished = true;
  }
  std::erase_if(paintRequests_, [window](PaintRequest* request) { return request->window == window; });
  paintDone_.notify_all();
  workForWindowThread_.notify_all();
  return true;
}

bool HostWindowSystem::PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  if (windows_.find(window) == windows_.end()) return false;
  posted_.push_back(Message{window, message, wParam, lParam});
  workForWindowThread_.notify_all();
  return true;
}

void HostWindowSystem::PostQuitMessage(int exitCode) {
  std::lock_guard lock(mutex_);
  quit_ = exitCode;
  workForWindowThread_.notify_all();
}

bool HostWindowSystem::GetMessage(Message& message) {
  std::unique_lock lock(mutex_);
  // Back here, the window's thread has finished the paint message it took last.
  if (paintsFinished_ != paintsTaken_) {
    paintsFinished_ = paintsTaken_;
    WakeUnlocked(lock, paintDone_);
  }
  for (;;) {
    // Also while requests keep the window's thread busy, so that a close at the desktop is seen.
    if (!display_.Headless() && std::chrono::steady_clock::now() >= nextPoll_) PollDisplay(lock);
    if (!paintRequests_.empty()) {
      PaintRequest* request = paintRequests_.front();
      paintRequests_.pop_front();
      const WindowHandle window = request->window;
      lock.unlock();
      const bool painted = PaintNow(window);
      lock.lock();
      request->painted = painted;
      request->finished = true;
      WakeUnlocked(lock, paintDone_);
      continue;
    }
    if (!posted_.empty()) {
      message = posted_.front();
      posted_.pop_front();
      return true;
    }
    if (quit_) {
      message = Message{0, WM_QUIT, static_cast<std::uintptr_t>(*quit_), 0};
      quit_.reset();
      return false;
    }
    for (auto& [handle, state] : windows_) {
      if (state.visible && state.invalid) {
        state.invalid = false;
        ++paintsTaken_;
        message = Message{handle, WM_PAINT, 0, 0};
        return true;
      }
    }
    if (!closedFromOutside_ && !windows_.empty()) {
      if (display_.Headless() && kernel_.LiveThreads() == 0) {
        CloseFromOutside(lock, "initap: the run came to rest; closing the window");
        continue;
      }
      if (options_.closeAfter && std::chrono::steady_clock::now() - started_ >= *options_.closeAfter) {
        CloseFromOutside(lock, "initap: --close-after has passed; closing the window");
        continue;
      }
    }

    auto wakeUp = std::chrono::steady_clock::time_point::max();
    if (!display_.Headless()) wakeUp = nextPoll_;
    if (options_.closeAfter && !closedFromOutside_) wakeUp = std::min(wakeUp, started_ + *options_.closeAfter);
    if (wakeUp == std::chrono::steady_clock::time_point::max()) {
      workForWindowThread_.wait(lock);
    } else {
      workForWindowThread_.wait_until(lock, wakeUp);
    }
  }
}

void HostWindowSystem::PollDisplay(std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  const bool closeAsked = display_.Poll();
  lock.lock();
  nextPoll_ = std::chrono::steady_clock::now() + kPollInterval;
  if (closeAsked && !windows_.empty()) posted_.push_back(Message{windows_.begin()->first, WM_CLOSE, 0, 0});
}

void HostWindowSystem::CloseFromOutside(std::unique_lock<std::mutex>& lock, std::string_view why) {
  closedFromOutside_ = true;
  posted_.push_back(Message{windows_.begin()->first, WM_CLOSE, 0, 0});
  if (options_.notice) {
    lock.unlock();
    options_.notice(why);
    lock.lock();
  }
}

std::intptr_t HostWindowSystem::DispatchMessage(const Message& message) {
  WindowProcedure* procedure = ProcedureOf(message.window);
  if (procedure == nullptr) return 0;
  return procedure->WindowProc(message.window, message.message, message.wParam, message.lParam);
}

std::intptr_t HostWindowSystem::DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t /*wParam*/,
                                              std::intptr_t /*lParam*/) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

void HostWindowSystem::InvalidateWindow(WindowHandle window) {
  std::unique_lock lock(mutex_);
  if (auto it = windows_.find(window); it != windows_.end()) it->second.invalid = true;
  WakeUnlocked(lock, workForWindowThread_);
}

bool HostWindowSystem::UpdateWindow(WindowHandle window) {
  std::unique_lock lock(mutex_);
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  if (!it->second.visible) return true;
  if (OnWindowThread()) {
    if (!it->second.invalid) return true;
    it->second.invalid = false;
    lock.unlock();
    return PaintNow(window);
  }
  if (!it->second.invalid) {
    // The window's thread took this invalidation as a paint message: the
    // caller's fields are on screen once that paint has finished.
    const unsigned ticket = paintsTaken_;
    paintDone_.wait(lock, [&] { return paintsFinished_ >= ticket || windows_.find(window) == windows_.end(); });
    return windows_.find(window) != windows_.end();
  }
  it->second.invalid = false;
  PaintRequest request;
  request.window = window;
  paintRequests_.push_back(&request);
  WakeUnlocked(lock, workForWindowThread_);
  paintDone_.wait(lock, [&request] { return request.finished; });
  return request.painted;
}

bool HostWindowSystem::PaintNow(WindowHandle window) {
  WindowProcedure* procedure = ProcedureOf(window);
  if (procedure == nullptr) return false;
  std::ignore = procedure->WindowProc(window, WM_PAINT, 0, 0);
  return true;
}

WindowProcedure* HostWindowSystem::ProcedureOf(WindowHandle window) {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.procedure;
}

}  // namespace platform::host
