#include "platform/host/window/host_window_system.h"

#include <algorithm>

namespace platform::host {

namespace {

// While a desktop window is open, its events are looked at this often.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr auto kAwakeWaitForPaint = std::chrono::microseconds(200);
// A worker asks for one paint a file: right after finishing one, the window's
// thread stays awake this long for the next, since waking a sleeping thread
// costs more than the paint itself.
constexpr auto kAwakeWaitForRequests = std::chrono::milliseconds(2);

}  // namespace

HostWindowSystem::HostWindowSystem(HostKernel& kernel, DisplayDriver& display, WindowOptions options)
    : kernel_(kernel), display_(display), options_(std::move(options)) {
  kernel_.SetThreadEndListener([this] {
    // Taking the lock orders the wake-up after the waiter's last look.
    std::lock_guard lock(mutex_);
    Changed();
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
  Changed();
}

bool HostWindowSystem::DestroyWindow(WindowHandle window) {
  WindowProcedure* procedure = ProcedureOf(window);
  if (procedure == nullptr) return false;
  procedure->WindowProc(window, WM_DESTROY, 0, 0);
  std::lock_guard lock(mutex_);
  windows_.erase(window);
  // Whoever waits for a paint of this window is released.
  for (PaintRequest* request : paintRequests_) {
    if (request->window == window) request->finished = true;
  }
  std::erase_if(paintRequests_, [window](PaintRequest* request) { return request->window == window; });
  Changed();
  return true;
}

bool HostWindowSystem::PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  if (windows_.find(window) == windows_.end()) return false;
  posted_.push_back(Message{window, message, wParam, lParam});
  Changed();
  return true;
}

void HostWindowSystem::PostQuitMessage(int exitCode) {
  std::lock_guard lock(mutex_);
  quit_ = exitCode;
  Changed();
}

bool HostWindowSystem::GetMessage(Message& message) {
  std::unique_lock lock(mutex_);
  // Back here, the window's thread has finished the paint message it took last.
  if (paintsFinished_.load(std::memory_order_relaxed) != paintsTaken_.load(std::memory_order_relaxed)) {
    paintsFinished_.store(paintsTaken_.load(std::memory_order_relaxed), std::memory_order_release);
    lastPaintFinished_ = std::chrono::steady_clock::now();
    Changed();
  }
  for (;;) {
    if (!paintRequests_.empty()) {
      PaintRequest* request = paintRequests_.front();
      paintRequests_.pop_front();
      const WindowHandle window = request->window;
      lock.unlock();
      const bool painted = PaintNow(window);
      lock.lock();
      request->painted = painted;
      request->finished.store(true, std::memory_order_release);
      Changed();
      lastPaintFinished_ = std::chrono::steady_clock::now();
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
        paintsTaken_.fetch_add(1, std::memory_order_relaxed);
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

    if (std::chrono::steady_clock::now() - lastPaintFinished_ < kAwakeWaitForRequests) {
      const unsigned seen = changes_.load(std::memory_order_acquire);
      const auto giveUp = lastPaintFinished_ + kAwakeWaitForRequests;
      lock.unlock();
      while (changes_.load(std::memory_order_acquire) == seen && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::yield();
      }
      lock.lock();
      lastPaintFinished_ = {};
      continue;
    }

    auto wakeUp = std::chrono::steady_clock::time_point::max();
    if (!display_.Headless()) wakeUp = std::chrono::steady_clock::now() + kPollInterval;
    if (options_.closeAfter && !closedFromOutside_) wakeUp = std::min(wakeUp, started_ + *options_.closeAfter);
    if (wakeUp == std::chrono::steady_clock::time_point::max()) {
      changed_.wait(lock);
    } else {
      changed_.wait_until(lock, wakeUp);
    }
    if (!display_.Headless()) {
      lock.unlock();
      const bool closeAsked = display_.Poll();
      lock.lock();
      if (closeAsked && !windows_.empty()) {
        posted_.push_back(Message{windows_.begin()->first, WM_CLOSE, 0, 0});
      }
    }
  }
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
  std::lock_guard lock(mutex_);
  if (auto it = windows_.find(window); it != windows_.end()) it->second.invalid = true;
  Changed();
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
    const unsigned ticket = paintsTaken_.load(std::memory_order_relaxed);
    lock.unlock();
    AwakeWait([&] { return paintsFinished_.load(std::memory_order_acquire) >= ticket; });
    lock.lock();
    changed_.wait(lock, [&] {
      return paintsFinished_.load(std::memory_order_relaxed) >= ticket || windows_.find(window) == windows_.end();
    });
    return windows_.find(window) != windows_.end();
  }
  it->second.invalid = false;
  PaintRequest request;
  request.window = window;
  paintRequests_.push_back(&request);
  Changed();
  lock.unlock();
  AwakeWait([&] { return request.finished.load(std::memory_order_acquire); });
  lock.lock();
  changed_.wait(lock, [&request] { return request.finished.load(std::memory_order_relaxed); });
  return request.painted;
}

template <typename Done>
void HostWindowSystem::AwakeWait(Done done) {
  // A paint takes a few tens of microseconds: waiting for it awake spares
  // the worker a sleep and a wake-up for every file.
  const auto giveUp = std::chrono::steady_clock::now() + kAwakeWaitForPaint;
  while (!done() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
}

bool HostWindowSystem::PaintNow(WindowHandle window) {
  WindowProcedure* procedure = ProcedureOf(window);
  if (procedure == nullptr) return false;
  procedure->WindowProc(window, WM_PAINT, 0, 0);
  return true;
}

void HostWindowSystem::Changed() {
  changes_.fetch_add(1, std::memory_order_release);
  changed_.notify_all();
}

WindowProcedure* HostWindowSystem::ProcedureOf(WindowHandle window) {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.procedure;
}

}  // namespace platform::host
