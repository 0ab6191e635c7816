#include "platform/host/window/host_window_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/temp_folder.h"

namespace platform::host {
namespace {

class FakeDisplay final : public DisplayDriver {
 public:
  explicit FakeDisplay(bool headless) : headless_(headless) {}
  void Show(const ScreenImage&) override {}
  bool Poll() override {
    ++polls;
    return closeOnNextPoll.exchange(false);
  }
  bool Headless() const override { return headless_; }
  void Finish(const ScreenImage&) override {}

  std::atomic<int> polls{0};
  std::atomic<bool> closeOnNextPoll{false};

 private:
  bool headless_;
};

// Records what reaches it; destroy posts the quit message as a frame window does.
class RecordingWindow final : public WindowProcedure {
 public:
  explicit RecordingWindow(WindowSystem& windows) : windows_(windows) {}

  std::intptr_t WindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
    {
      std::lock_guard lock(mutex);
      messages.push_back(message);
      if (message == WM_PAINT) paintThreads.push_back(std::this_thread::get_id());
    }
    if (message == WM_CREATE && onCreate) onCreate(window);
    if (message == WM_PAINT && onPaint) onPaint();
    if (message == WM_DESTROY) windows_.PostQuitMessage(1);
    return windows_.DefWindowProc(window, message, wParam, lParam);
  }

  int Count(std::uint32_t message) {
    std::lock_guard lock(mutex);
    return static_cast<int>(std::count(messages.begin(), messages.end(), message));
  }

  std::function<void(WindowHandle)> onCreate;
  std::function<void()> onPaint;
  std::mutex mutex;
  std::vector<std::uint32_t> messages;
  std::vector<std::thread::id> paintThreads;

 private:
  WindowSystem& windows_;
};

// Runs the loop of the calling thread until the quit message; returns its code.
int RunLoop(WindowSystem& windows) {
  Message message;
  while (windows.GetMessage(message)) std::ignore = windows.DispatchMessage(message);
  return static_cast<int>(message.wParam);
}

class HostWindowSystemTest : public ::testing::Test {
 protected:
  initap::test::TempFolder folder;
  DeviceFolder device{folder.path(), {}};
  HostKernel kernel{device};
  std::vector<std::string> notices;
  WindowOptions Options() {
    WindowOptions options;
    options.notice = [this](std::string_view text) { notices.emplace_back(text); };
    return options;
  }
};

TEST_F(HostWindowSystemTest, HeadlessRunThatComesToRestIsClosedFromOutside) {
  FakeDisplay display(true);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  ASSERT_NE(window, 0u);
  windows.ShowWindow(window, 1);

  EXPECT_EQ(RunLoop(windows), 1);
  EXPECT_EQ(procedure.Count(WM_CREATE), 1);
  EXPECT_EQ(procedure.Count(WM_PAINT), 1);
  EXPECT_EQ(procedure.Count(WM_CLOSE), 1);
  EXPECT_EQ(procedure.Count(WM_DESTROY), 1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("came to rest"), std::string::npos);
}

TEST_F(HostWindowSystemTest, RunIsNotAtRestWhileASystemThreadLives) {
  FakeDisplay display(true);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  auto gate = kernel.CreateEvent();
  std::atomic<bool> postedBeforeEnd{false};
  auto worker = kernel.StartThread([&] {
    std::ignore = gate->Wait(5000);
    postedBeforeEnd = windows.PostMessage(window, WM_USER + 100, 0, 0);
    return 0u;
  });
  std::thread releaser([&] {
    kernel.Sleep(50);
    gate->Set();
  });

  EXPECT_EQ(RunLoop(windows), 1);
  releaser.join();
  ASSERT_TRUE(worker->Wait(5000));
  EXPECT_TRUE(postedBeforeEnd);
  // The worker's message came before the close from outside.
  std::lock_guard lock(procedure.mutex);
  const auto user = std::find(procedure.messages.begin(), procedure.messages.end(), WM_USER + 100);
  const auto close = std::find(procedure.messages.begin(), procedure.messages.end(), WM_CLOSE);
  ASSERT_NE(user, procedure.messages.end());
  EXPECT_LT(user, close);
}

// How a worker spaces its repaints: back to back, as files that take no
// time, or far enough apart that the window's thread has gone to sleep.
struct Spacing {
  const char* name;
  std::uint32_t pauseMs;
};
void PrintTo(const Spacing& c, std::ostream* out) { *out << c.name; }

class HostWindowSystemRepaintTest : public HostWindowSystemTest, public ::testing::WithParamInterface<Spacing> {};

TEST_P(HostWindowSystemRepaintTest, RepaintAskedByAnotherThreadIsPaintedOnTheWindowThreadBeforeItReturns) {
  FakeDisplay display(true);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  std::atomic<int> painted{0};
  procedure.onPaint = [&] { ++painted; };
  std::vector<int> seenAfterUpdate;
  auto worker = kernel.StartThread([&] {
    for (int i = 0; i < 50; ++i) {
      kernel.Sleep(GetParam().pauseMs);
      const int before = painted;
      windows.InvalidateWindow(window);
      EXPECT_TRUE(windows.UpdateWindow(window));
      seenAfterUpdate.push_back(painted - before);
    }
    windows.PostMessage(window, WM_CLOSE, 0, 0);
    return 0u;
  });

  EXPECT_EQ(RunLoop(windows), 1);
  ASSERT_TRUE(worker->Wait(5000));
  ASSERT_EQ(seenAfterUpdate.size(), 50u);
  for (int delta : seenAfterUpdate) EXPECT_GE(delta, 1);
  std::lock_guard lock(procedure.mutex);
  for (auto id : procedure.paintThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

INSTANTIATE_TEST_SUITE_P(EachSpacing, HostWindowSystemRepaintTest,
                         ::testing::Values(Spacing{"BackToBack", 0}, Spacing{"WindowThreadAsleep", 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostWindowSystemTest, WorkerWaitingForAPaintIsReleasedWhenTheWindowIsDestroyed) {
  FakeDisplay display(true);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  auto asked = kernel.CreateEvent();
  std::atomic<bool> result{true};
  auto worker = kernel.StartThread([&] {
    windows.InvalidateWindow(window);
    asked->Set();
    result = windows.UpdateWindow(window);
    return 0u;
  });
  // The window's thread destroys the window instead of serving the paint.
  ASSERT_TRUE(asked->Wait(5000));
  kernel.Sleep(20);
  windows.DestroyWindow(window);
  ASSERT_TRUE(worker->Wait(5000));
  EXPECT_FALSE(result);
  EXPECT_FALSE(windows.UpdateWindow(window));
  EXPECT_FALSE(windows.PostMessage(window, WM_USER, 0, 0));
}

// What the window's thread does with a paint message it took before a worker asked for that paint.
struct TakenPaint {
  const char* name;
  bool dispatched;  // else the window is destroyed instead
};
void PrintTo(const TakenPaint& c, std::ostream* out) { *out << c.name; }

class HostWindowSystemTakenPaintTest : public HostWindowSystemTest, public ::testing::WithParamInterface<TakenPaint> {};

TEST_P(HostWindowSystemTakenPaintTest, WorkerWaitsForThePaintMessageTheWindowThreadTook) {
  FakeDisplay display(true);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  Message paint;
  ASSERT_TRUE(windows.GetMessage(paint));
  ASSERT_EQ(paint.message, WM_PAINT);
  std::atomic<int> paintedBeforeReturn{-1};
  // The opposite of what is expected until the worker sets it.
  std::atomic<bool> result{!GetParam().dispatched};
  auto asked = kernel.CreateEvent();
  auto worker = kernel.StartThread([&] {
    asked->Set();
    result = windows.UpdateWindow(window);
    paintedBeforeReturn = procedure.Count(WM_PAINT);
    return 0u;
  });
  ASSERT_TRUE(asked->Wait(5000));
  kernel.Sleep(20);
  if (GetParam().dispatched) {
    windows.DispatchMessage(paint);
    // Back in its loop, the window's thread has finished the paint; then the run comes to rest.
    EXPECT_EQ(RunLoop(windows), 1);
  } else {
    windows.DestroyWindow(window);
  }
  ASSERT_TRUE(worker->Wait(5000));
  EXPECT_EQ(result, GetParam().dispatched);
  EXPECT_EQ(paintedBeforeReturn, GetParam().dispatched ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(EachEnd, HostWindowSystemTakenPaintTest,
                         ::testing::Values(TakenPaint{"Dispatched", true}, TakenPaint{"WindowDestroyed", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostWindowSystemTest, WindowDestroyedDuringCreateEndsTheLoopWithItsQuitCode) {
  FakeDisplay display(true);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  procedure.onCreate = [&](WindowHandle window) { windows.DestroyWindow(window); };
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  EXPECT_EQ(RunLoop(windows), 1);
  EXPECT_EQ(procedure.Count(WM_PAINT), 0);
  EXPECT_TRUE(notices.empty());
}

TEST_F(HostWindowSystemTest, CloseAfterClosesAWindowThatAThreadKeepsBusy) {
  FakeDisplay display(true);
  WindowOptions options = Options();
  options.closeAfter = std::chrono::milliseconds(50);
  HostWindowSystem windows(kernel, display, options);
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  auto stop = kernel.CreateEvent();
  auto busy = kernel.StartThread([&] {
    std::ignore = stop->Wait(10000);
    return 0u;
  });
  EXPECT_EQ(RunLoop(windows), 1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("--close-after"), std::string::npos);
  stop->Set();
  ASSERT_TRUE(busy->Wait(5000));
}

TEST_F(HostWindowSystemTest, DesktopCloseRequestReachesTheWindowAsTheCloseMessage) {
  FakeDisplay display(false);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  display.closeOnNextPoll = true;
  EXPECT_EQ(RunLoop(windows), 1);
  EXPECT_EQ(procedure.Count(WM_CLOSE), 1);
  EXPECT_GE(display.polls, 1);
  EXPECT_TRUE(notices.empty());
}

TEST_F(HostWindowSystemTest, DesktopEventsAreLookedAtWhileRepaintsKeepTheWindowThreadBusy) {
  FakeDisplay display(false);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.ShowWindow(window, 1);
  std::atomic<int> pollsDuringRepaints{0};
  auto worker = kernel.StartThread([&] {
    const int before = display.polls;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < end) {
      windows.InvalidateWindow(window);
      windows.UpdateWindow(window);
    }
    pollsDuringRepaints = display.polls - before;
    windows.PostMessage(window, WM_CLOSE, 0, 0);
    return 0u;
  });
  EXPECT_EQ(RunLoop(windows), 1);
  ASSERT_TRUE(worker->Wait(5000));
  // Looked at every 10 ms, that is 20 times; a few show that a close at the desktop is not left waiting.
  EXPECT_GE(pollsDuringRepaints, 5);
}

TEST_F(HostWindowSystemTest, PostedMessagesArriveInOrderBeforeTheQuitMessage) {
  FakeDisplay display(true);
  HostWindowSystem windows(kernel, display, Options());
  RecordingWindow procedure(windows);
  const WindowHandle window = windows.CreateWindow(procedure);
  windows.PostMessage(window, WM_USER + 1, 7, 8);
  windows.PostMessage(window, WM_USER + 2, 0, 0);
  windows.PostQuitMessage(5);
  Message message;
  ASSERT_TRUE(windows.GetMessage(message));
  EXPECT_EQ(message.message, WM_USER + 1);
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_EQ(message.lParam, 8);
  ASSERT_TRUE(windows.GetMessage(message));
  EXPECT_EQ(message.message, WM_USER + 2);
  EXPECT_FALSE(windows.GetMessage(message));
  EXPECT_EQ(message.wParam, 5u);
}

}  // namespace
}  // namespace platform::host
