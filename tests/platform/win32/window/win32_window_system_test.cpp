#include "platform/win32/window/win32_window_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/common/screen_size.h"

namespace initap::test {
namespace {

using namespace platform;
using platform::win32::Win32WindowSystem;

constexpr std::uint32_t kWorkerDone = WM_USER + 1;

// Notes the messages it is handed, and hands the rest to the default handling.
class Recorder final : public WindowProcedure {
 public:
  explicit Recorder(WindowSystem& windows) : windows_(windows) {}
  std::intptr_t WindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
    switch (message) {
      case WM_CREATE:
        Note("create");
        if (destroyOnCreate) windows_.DestroyWindow(window);
        return 0;
      case WM_PAINT: Note("paint"); return 0;
      case WM_DESTROY:
        Note("destroy");
        windows_.PostQuitMessage(7);
        return 0;
      case kWorkerDone: Note("worker done"); return 0;
      default: return windows_.DefWindowProc(window, message, wParam, lParam);
    }
  }
  void Note(std::string what) {
    std::lock_guard lock(mutex_);
    notes_.push_back(std::move(what));
  }
  std::vector<std::string> Notes() {
    std::lock_guard lock(mutex_);
    return notes_;
  }
  bool destroyOnCreate = false;

 private:
  WindowSystem& windows_;
  std::mutex mutex_;
  std::vector<std::string> notes_;
};

TEST(Win32WindowSystemTest, AWorkersRepaintIsDoneOnTheWindowsThreadBeforeItReturns) {
  Win32WindowSystem windows(kScreenWidth, kScreenHeight);
  Recorder recorder(windows);
  const WindowHandle window = windows.CreateWindow(recorder);
  ASSERT_NE(window, 0u);
  windows.ShowWindow(window, 1);
  std::thread worker([&] {
    windows.InvalidateWindow(window);
    const bool painted = windows.UpdateWindow(window);
    recorder.Note(painted ? "worker painted" : "worker not painted");
    windows.PostMessage(window, kWorkerDone, 0, 0);
    windows.PostMessage(window, WM_CLOSE, 0, 0);
  });
  Message message;
  while (windows.GetMessage(message)) windows.DispatchMessage(message);
  worker.join();
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 7u);
  std::vector<std::string> notes = recorder.Notes();
  // The first paint may come from showing the window or from the worker's request.
  ASSERT_GE(notes.size(), 5u);
  EXPECT_EQ(notes.front(), "create");
  const auto painted = std::find(notes.begin(), notes.end(), "worker painted");
  ASSERT_NE(painted, notes.end());
  EXPECT_EQ(*(painted - 1), "paint");
  EXPECT_EQ(std::vector<std::string>(painted + 1, notes.end()), (std::vector<std::string>{"worker done", "destroy"}));
  EXPECT_FALSE(windows.DestroyWindow(window));
  EXPECT_FALSE(windows.UpdateWindow(window));
}

TEST(Win32WindowSystemTest, AWindowDestroyedDuringItsCreationIsNoWindow) {
  Win32WindowSystem windows(kScreenWidth, kScreenHeight);
  Recorder recorder(windows);
  recorder.destroyOnCreate = true;
  EXPECT_EQ(windows.CreateWindow(recorder), 0u);
  EXPECT_EQ(recorder.Notes(), (std::vector<std::string>{"create", "destroy"}));
}

TEST(Win32WindowSystemTest, ARunWithNobodyAtTheScreenIsClosedFromOutsideOnceAtRestOrTimedOut) {
  struct Case {
    int liveThreads;
    std::optional<std::chrono::milliseconds> closeAfter;
    const char* notice;
  };
  for (const Case& c :
       {Case{0, std::nullopt, "initap: the run came to rest; closing the window"},
        Case{1, std::chrono::milliseconds(50), "initap: --close-after has passed; closing the window"}}) {
    std::vector<std::string> notices;
    Win32WindowSystem windows(
        kScreenWidth, kScreenHeight,
        {[&] { return c.liveThreads; }, c.closeAfter, [&](std::string_view text) { notices.emplace_back(text); }});
    Recorder recorder(windows);
    const WindowHandle window = windows.CreateWindow(recorder);
    ASSERT_NE(window, 0u);
    // A message still pending is handled before the run counts as at rest.
    windows.PostMessage(window, kWorkerDone, 0, 0);
    Message message;
    while (windows.GetMessage(message)) windows.DispatchMessage(message);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_EQ(recorder.Notes(), (std::vector<std::string>{"create", "worker done", "destroy"})) << c.notice;
    EXPECT_EQ(notices, std::vector<std::string>{c.notice});
  }
}

}  // namespace
}  // namespace initap::test
