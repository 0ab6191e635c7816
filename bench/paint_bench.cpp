// One paint of the boot screen once the logo is converted: logo, status
// text, frame and fill composed off screen and copied to the screen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

#include "app/init_ap.h"
#include "display/oem_logo.h"
#include "display/screen_painting.h"
#include "tests/support/drawn_logo.h"
#include "tests/support/test_device.h"

namespace {

void WriteLogoDisk(const initap::test::TestDevice& device) {
  const std::vector<std::uint8_t> logo = initap::test::DrawnLogo();
  std::vector<char> image(platform::kOemLogoOffset + platform::kOemLogoRawBytes, 0);
  std::copy(logo.begin(), logo.end(), image.begin() + platform::kOemLogoOffset);
  std::ofstream(device.Folder() / "disk.img", std::ios::binary).write(image.data(), image.size());
}

void BM_Paint(benchmark::State& state) {
  initap::test::TestDevice device;
  WriteLogoDisk(device);
  initap::Init_AP app(device.Services());
  app.oemLogoRaw = std::make_unique<std::uint8_t[]>(platform::kOemLogoRawBytes);
  app.oemLogoRgb = std::make_unique<std::uint8_t[]>(initap::kOemLogoRgbBytes);
  app.SetDefaults();
  app.statusText.Set(L"copy Main_Ap.exe");
  app.progressDone = 3;
  app.progressTotal = 7;
  // The first paint reads and converts the logo and rasterises the glyphs.
  initap::OnPaint(app);
  for (auto _ : state) {
    benchmark::DoNotOptimize(initap::OnPaint(app));
  }
}
BENCHMARK(BM_Paint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
