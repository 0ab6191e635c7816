#include "platform/host/window/host_window_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
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

constexpr bool kHeadless = true;
constexpr bool kDesktop = false;

constexpr bool kLeftToTheTest = false;

// A display, the window system over it and a window of a recording procedure, made on this thread, the
// window's; the window is created and shown as the start-up does, or left to the test to make.
struct WindowRun {
  WindowRun(HostKernel& kernel, bool headless, WindowOptions options, bool opened = true)
      : display(headless), windows(kernel, display, std::move(options)), procedure(windows) {
    if (!opened) return;
    window = windows.CreateWindow(procedure);
    windows.ShowWindow(window, 1);
  }

  FakeDisplay display;
  HostWindowSystem windows;
  RecordingWindow procedure;
  WindowHandle window = 0;
};

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
  WindowRun run(kernel, kHeadless, Options());
  ASSERT_NE(run.window, 0u);

  EXPECT_EQ(RunLoop(run.windows), 1);
  EXPECT_EQ(run.procedure.Count(WM_CREATE), 1);
  EXPECT_EQ(run.procedure.Count(WM_PAINT), 1);
  EXPECT_EQ(run.procedure.Count(WM_CLOSE), 1);
  EXPECT_EQ(run.procedure.Count(WM_DESTROY), 1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("came to rest"), std::string::npos);
}

TEST_F(HostWindowSystemTest, RunIsNotAtRestWhileASystemThreadLives) {
  WindowRun run(kernel, kHeadless, Options());
  auto gate = kernel.CreateEvent();
  std::atomic<bool> postedBeforeEnd{false};
  auto worker = kernel.StartThread([&] {
    std::ignore = gate->Wait(5000);
    postedBeforeEnd = run.windows.PostMessage(run.window, WM_USER + 100, 0, 0);
    return 0u;
  });
  std::thread releaser([&] {
    kernel.Sleep(50);
    gate->Set();
  });

  EXPECT_EQ(RunLoop(run.windows), 1);
  releaser.join();
  ASSERT_TRUE(worker->Wait(5000));
  EXPECT_TRUE(postedBeforeEnd);
  // The worker's message came before the close from outside.
  std::lock_guard lock(run.procedure.mutex);
  const auto user = std::find(run.procedure.messages.begin(), run.procedure.messages.end(), WM_USER + 100);
  const auto close = std::find(run.procedure.messages.begin(), run.procedure.messages.end(), WM_CLOSE);
  ASSERT_NE(user, run.procedure.messages.end());
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
  WindowRun run(kernel, kHeadless, Options());
  std::atomic<int> painted{0};
  run.procedure.onPaint = [&] { ++painted; };
  std::vector<int> seenAfterUpdate;
  auto worker = kernel.StartThread([&] {
    for (int i = 0; i < 50; ++i) {
      kernel.Sleep(GetParam().pauseMs);
      const int before = painted;
      run.windows.InvalidateWindow(run.window);
      EXPECT_TRUE(run.windows.UpdateWindow(run.window));
      seenAfterUpdate.push_back(painted - before);
    }
    run.windows.PostMessage(run.window, WM_CLOSE, 0, 0);
    return 0u;
  });

  EXPECT_EQ(RunLoop(run.windows), 1);
  ASSERT_TRUE(worker->Wait(5000));
  ASSERT_EQ(seenAfterUpdate.size(), 50u);
  for (int delta : seenAfterUpdate) EXPECT_GE(delta, 1);
  std::lock_guard lock(run.procedure.mutex);
  for (auto id : run.procedure.paintThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

INSTANTIATE_TEST_SUITE_P(EachSpacing, HostWindowSystemRepaintTest,
                         ::testing::Values(Spacing{"BackToBack", 0}, Spacing{"WindowThreadAsleep", 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostWindowSystemTest, WorkerWaitingForAPaintIsReleasedWhenTheWindowIsDestroyed) {
  WindowRun run(kernel, kHeadless, Options());
  auto asked = kernel.CreateEvent();
  std::atomic<bool> result{true};
  auto worker = kernel.StartThread([&] {
    run.windows.InvalidateWindow(run.window);
    asked->Set();
    result = run.windows.UpdateWindow(run.window);
    return 0u;
  });
  // The window's thread destroys the window instead of serving the paint.
  ASSERT_TRUE(asked->Wait(5000));
  kernel.Sleep(20);
  run.windows.DestroyWindow(run.window);
  ASSERT_TRUE(worker->Wait(5000));
  EXPECT_FALSE(result);
  EXPECT_FALSE(run.windows.UpdateWindow(run.window));
  EXPECT_FALSE(run.windows.PostMessage(run.window, WM_USER, 0, 0));
}

// What the window's thread does with a paint message it took before a worker asked for that paint.
struct TakenPaint {
  const char* name;
  bool dispatched;  // else the window is destroyed instead
};
void PrintTo(const TakenPaint& c, std::ostream* out) { *out << c.name; }

class HostWindowSystemTakenPaintTest : public HostWindowSystemTest, public ::testing::WithParamInterface<TakenPaint> {};

TEST_P(HostWindowSystemTakenPaintTest, WorkerWaitsForThePaintMessageTheWindowThreadTook) {
  WindowRun run(kernel, kHeadless, Options());
  Message paint;
  ASSERT_TRUE(run.windows.GetMessage(paint));
  ASSERT_EQ(paint.message, WM_PAINT);
  std::atomic<int> paintedBeforeReturn{-1};
  // The opposite of what is expected until the worker sets it.
  std::atomic<bool> result{!GetParam().dispatched};
  auto asked = kernel.CreateEvent();
  auto worker = kernel.StartThread([&] {
    asked->Set();
    result = run.windows.UpdateWindow(run.window);
    paintedBeforeReturn = run.procedure.Count(WM_PAINT);
    return 0u;
  });
  ASSERT_TRUE(asked->Wait(5000));
  kernel.Sleep(20);
  if (GetParam().dispatched) {
    run.windows.DispatchMessage(paint);
    // Back in its loop, the window's thread has finished the paint; then the run comes to rest.
    EXPECT_EQ(RunLoop(run.windows), 1);
  } else {
    run.windows.DestroyWindow(run.window);
  }
  ASSERT_TRUE(worker->Wait(5000));
  EXPECT_EQ(result, GetParam().dispatched);
  EXPECT_EQ(paintedBeforeReturn, GetParam().dispatched ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(EachEnd, HostWindowSystemTakenPaintTest,
                         ::testing::Values(TakenPaint{"Dispatched", true}, TakenPaint{"WindowDestroyed", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostWindowSystemTest, WindowDestroyedDuringCreateEndsTheLoopWithItsQuitCode) {
  WindowRun run(kernel, kHeadless, Options(), kLeftToTheTest);
  run.procedure.onCreate = [&](WindowHandle window) { run.windows.DestroyWindow(window); };
  run.window = run.windows.CreateWindow(run.procedure);
  run.windows.ShowWindow(run.window, 1);
  EXPECT_EQ(RunLoop(run.windows), 1);
  EXPECT_EQ(run.procedure.Count(WM_PAINT), 0);
  EXPECT_TRUE(notices.empty());
}

TEST_F(HostWindowSystemTest, CloseAfterClosesAWindowThatAThreadKeepsBusy) {
  WindowOptions options = Options();
  options.closeAfter = std::chrono::milliseconds(50);
  WindowRun run(kernel, kHeadless, options);
  auto stop = kernel.CreateEvent();
  auto busy = kernel.StartThread([&] {
    std::ignore = stop->Wait(10000);
    return 0u;
  });
  EXPECT_EQ(RunLoop(run.windows), 1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("--close-after"), std::string::npos);
  stop->Set();
  ASSERT_TRUE(busy->Wait(5000));
}

TEST_F(HostWindowSystemTest, DesktopCloseRequestReachesTheWindowAsTheCloseMessage) {
  WindowRun run(kernel, kDesktop, Options());
  run.display.closeOnNextPoll = true;
  EXPECT_EQ(RunLoop(run.windows), 1);
  EXPECT_EQ(run.procedure.Count(WM_CLOSE), 1);
  EXPECT_GE(run.display.polls, 1);
  EXPECT_TRUE(notices.empty());
}

TEST_F(HostWindowSystemTest, DesktopEventsAreLookedAtWhileRepaintsKeepTheWindowThreadBusy) {
  WindowRun run(kernel, kDesktop, Options());
  std::atomic<int> pollsDuringRepaints{0};
  auto worker = kernel.StartThread([&] {
    const int before = run.display.polls;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < end) {
      run.windows.InvalidateWindow(run.window);
      run.windows.UpdateWindow(run.window);
    }
    pollsDuringRepaints = run.display.polls - before;
    run.windows.PostMessage(run.window, WM_CLOSE, 0, 0);
    return 0u;
  });
  EXPECT_EQ(RunLoop(run.windows), 1);
  ASSERT_TRUE(worker->Wait(5000));
  // Looked at every 10 ms, that is 20 times; a few show that a close at the desktop is not left waiting.
  EXPECT_GE(pollsDuringRepaints, 5);
}

TEST_F(HostWindowSystemTest, PostedMessagesArriveInOrderBeforeTheQuitMessage) {
  WindowRun run(kernel, kHeadless, Options(), kLeftToTheTest);
  const WindowHandle window = run.windows.CreateWindow(run.procedure);
  run.windows.PostMessage(window, WM_USER + 1, 7, 8);
  run.windows.PostMessage(window, WM_USER + 2, 0, 0);
  run.windows.PostQuitMessage(5);
  Message message;
  ASSERT_TRUE(run.windows.GetMessage(message));
  EXPECT_EQ(message.message, WM_USER + 1);
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_EQ(message.lParam, 8);
  ASSERT_TRUE(run.windows.GetMessage(message));
  EXPECT_EQ(message.message, WM_USER + 2);
  EXPECT_FALSE(run.windows.GetMessage(message));
  EXPECT_EQ(message.wParam, 5u);
}

}  // namespace
}  // namespace platform::host
