// One paint of the boot screen once the logo is converted: logo, status
// text, frame and fill composed off screen and copied to the screen; and the
// synchronous repaint a worker asks for once a file: from its call, through
// the window's thread waking and painting, to the worker running again.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>

#include "app/init_ap.h"
#include "display/oem_logo.h"
#include "display/screen_painting.h"
#include "tests/support/drawn_logo.h"
#include "tests/support/test_device.h"

namespace {

// The record as a copy leaves it mid-way, with the first paint, which reads
// and converts the logo and rasterises the glyphs, already made.
void PrepareForPaints(initap::Init_AP& app) {
  app.oemLogoRaw = std::make_unique<std::uint8_t[]>(platform::kOemLogoRawBytes);
  app.oemLogoRgb = std::make_unique<std::uint8_t[]>(initap::kOemLogoRgbBytes);
  app.SetDefaults();
  app.statusText.Set(L"copy Main_Ap.exe");
  app.progressDone = 3;
  app.progressTotal = 7;
  initap::OnPaint(app);
}

void BM_Paint(benchmark::State& state) {
  initap::test::TestDevice device;
  initap::test::WriteDrawnLogoDisk(device.Folder() / "disk.img");
  initap::Init_AP app(device.Services());
  PrepareForPaints(app);
  for (auto _ : state) {
    benchmark::DoNotOptimize(initap::OnPaint(app));
  }
}
BENCHMARK(BM_Paint)->Unit(benchmark::kMicrosecond);

// A window whose paint is `paint`; its destroy ends its thread's loop.
class PaintedWindow final : public platform::WindowProcedure {
 public:
  PaintedWindow(platform::WindowSystem& windows, std::function<void()> paint)
      : windows_(windows), paint_(std::move(paint)) {}

  std::intptr_t WindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
    if (message == platform::WM_PAINT) {
      paint_();
      return 0;
    }
    if (message == platform::WM_DESTROY) windows_.PostQuitMessage(1);
    return windows_.DefWindowProc(window, message, wParam, lParam);
  }

 private:
  platform::WindowSystem& windows_;
  std::function<void()> paint_;
};

// The benchmark's thread is the worker, asking for the repaint as a status
// line does; the window's thread is a system thread, so that the headless
// run does not come to rest under it. With an empty paint, what is left is
// the hand-over between the two threads. The argument is the work, in
// microseconds, the worker does before each repaint, as on a file; after a
// long one, the window's thread has gone to sleep when it is asked to paint.
void BM_WorkerRepaint(benchmark::State& state, bool realPaint) {
  using Clock = std::chrono::steady_clock;
  const auto work = std::chrono::microseconds(state.range(0));
  initap::test::TestDevice device;
  initap::test::WriteDrawnLogoDisk(device.Folder() / "disk.img");
  platform::Platform& services = device.Services();
  initap::Init_AP app(services);
  PrepareForPaints(app);
  PaintedWindow procedure(services.windows, [&] {
    if (realPaint) initap::OnPaint(app);
  });
  std::promise<platform::WindowHandle> created;
  std::future<platform::WindowHandle> window = created.get_future();
  auto windowThread = services.kernel.StartThread([&] {
    const platform::WindowHandle window = services.windows.CreateWindow(procedure);
    services.windows.ShowWindow(window, 1);
    created.set_value(window);
    platform::Message message;
    while (services.windows.GetMessage(message)) services.windows.DispatchMessage(message);
    return 0u;
  });
  const platform::WindowHandle handle = window.get();
  for (auto _ : state) {
    for (const auto done = Clock::now() + work; Clock::now() < done;) {
    }
    const auto asked = Clock::now();
    services.windows.InvalidateWindow(handle);
    if (!services.windows.UpdateWindow(handle)) state.SkipWithError("the window went away");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - asked).count());
  }
  services.windows.PostMessage(handle, platform::WM_CLOSE, 0, 0);
  windowThread->Wait(60000);
}
// No work and 100 us of it before each repaint. Time is the worker's wait alone; CPU time is the whole
// program's: both threads', and the work's.
void WorkerRepaintRuns(benchmark::internal::Benchmark* runs) {
  runs->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond)->UseManualTime()->MeasureProcessCPUTime();
}
BENCHMARK_CAPTURE(BM_WorkerRepaint, empty_paint, false)->Apply(WorkerRepaintRuns);
BENCHMARK_CAPTURE(BM_WorkerRepaint, real_paint, true)->Apply(WorkerRepaintRuns);

}  // namespace

BENCHMARK_MAIN();
