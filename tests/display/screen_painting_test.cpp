#include "display/screen_painting.h"

#include <vector>

#include "tests/display/logo_fixture.h"

namespace initap::test {
namespace {

constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kRed{255, 0, 0};

// The screen's pixels with the logo of the disk, and which of them a paint changed.
class ScreenPaintingTest : public OnEachLogo {
 protected:
  void SetUp() override {
    OnEachLogo::SetUp();
    if (IsSkipped()) return;
    logo_ = Shown(LogoPixels());
    WriteDisk(LogoPixels());
    Prepare(*app_);
  }

  Rgb Logo(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * platform::kScreenWidth + x) * 3;
    return {logo_[at + 2], logo_[at + 1], logo_[at]};
  }
  bool Changed(int x, int y) { return At(x, y) != Logo(x, y); }

  // Every pixel of [left, right) x [top, bottom) has `color`.
  bool All(int left, int top, int right, int bottom, Rgb color) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if (At(x, y) != color) return false;
      }
    }
    return true;
  }
  // No pixel of the region differs from the logo.
  bool Untouched(int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if (Changed(x, y)) return false;
      }
    }
    return true;
  }
  // Outside `inside`, the screen is the logo.
  bool UntouchedOutside(const platform::Rect& inside) {
    for (int y = 0; y < platform::kScreenHeight; ++y) {
      for (int x = 0; x < platform::kScreenWidth; ++x) {
        const bool in = x >= inside.left && x < inside.right && y >= inside.top && y < inside.bottom;
        if (!in && Changed(x, y)) return false;
      }
    }
    return true;
  }
  // The three-pixel frame of the default bar: columns 9..11 and 228..230, rows 79..81 and 108..110,
  // but for its four outer corner pixels, which the pen's round joins leave as they were.
  bool FrameShown(Rgb color) {
    return All(10, 79, 230, 80, color) && All(9, 80, 231, 82, color) && All(9, 108, 231, 110, color) &&
           All(10, 110, 230, 111, color) && All(9, 82, 12, 108, color) && All(228, 82, 231, 108, color) &&
           !Changed(9, 79) && !Changed(230, 79) && !Changed(9, 110) && !Changed(230, 110);
  }

  std::vector<std::uint8_t> logo_;
};

TEST_P(ScreenPaintingTest, BeforeAnyStatusTextThePaintShowsTheLogoOnly) {
  EXPECT_EQ(OnPaint(*app_), 0);
  EXPECT_EQ(Screen().pixels, logo_);
}

TEST_P(ScreenPaintingTest, TextWithAnEmptyFrameWhileNoTotalIsKnown) {
  app_->statusText.Set(L"calculate copy file number...");
  app_->progressDone = 1;  // a single file copied by name: no total
  OnPaint(*app_);
  EXPECT_TRUE(FrameShown(kBlue));
  EXPECT_TRUE(Untouched(12, 82, 228, 108));  // inside the frame
  EXPECT_TRUE(UntouchedOutside({9, 60, 231, 111}));
  // The text lies in its rectangle, white over the logo.
  int white = 0;
  for (int y = 60; y < 79; ++y) {
    for (int x = 10; x < 230; ++x) white += At(x, y) == Rgb{255, 255, 255};
  }
  EXPECT_GT(white, 30);
  EXPECT_TRUE(Untouched(0, 0, 240, 60));
  EXPECT_TRUE(Untouched(0, 60, 10, 79));
}

TEST_P(ScreenPaintingTest, NoFillAtZeroOfFive) {
  app_->statusText.Set(L"copy a.txt");
  app_->progressTotal = 5;
  OnPaint(*app_);
  EXPECT_TRUE(FrameShown(kBlue));
  EXPECT_TRUE(Untouched(12, 82, 228, 108));
}

// A count, without text and so without frame, and where its fill of the default bar ends.
struct Fill {
  const char* what;
  std::int32_t done;
  std::int32_t total;
  int right;
};

TEST_P(ScreenPaintingTest, FillEndsWhereTheCountSaysAndLeavesTheRestOfTheScreen) {
  const Fill fills[] = {
      {"a full total fills exactly to the right edge", 5, 5, 230},
      {"three of seven fill 94 pixels of the default bar", 3, 7, 104},
      {"without text the fill shows without frame", 1, 2, 120},
      {"an overfull count draws past the bar up to the screen edge", 3, 1, 240},
  };
  for (const Fill& fill : fills) {
    SCOPED_TRACE(fill.what);
    app_->progressDone = fill.done;
    app_->progressTotal = fill.total;
    OnPaint(*app_);
    EXPECT_TRUE(All(10, 80, fill.right, 110, kBlue));
    EXPECT_TRUE(UntouchedOutside({10, 80, fill.right, 110}));
  }
}

TEST_P(ScreenPaintingTest, FillLiesOverTheFrameAndTheText) {
  app_->statusText.Set(L"update finished. please wait...");
  app_->filenameRect = {10, 70, 230, 100};  // the text reaches into the bar
  app_->progressDone = 1;
  app_->progressTotal = 1;
  OnPaint(*app_);
  EXPECT_TRUE(All(10, 80, 230, 110, kBlue));
  EXPECT_TRUE(All(10, 79, 230, 80, kBlue));
}

TEST_P(ScreenPaintingTest, ColourReferencesHoldRedInTheLowByte) {
  app_->progressColor = 0x000000FF;
  app_->progressDone = 1;
  app_->progressTotal = 1;
  OnPaint(*app_);
  EXPECT_TRUE(All(10, 80, 230, 110, kRed));
  app_->progressColor = 0x00FF0000;
  OnPaint(*app_);
  EXPECT_TRUE(All(10, 80, 230, 110, kBlue));
}

TEST_P(ScreenPaintingTest, TextTakesTheTextColour) {
  app_->oemLogoRaw.reset();  // a black screen under the text
  app_->statusText.Set(L"copy a.txt");
  app_->filenameColor = 0x000000FF;
  OnPaint(*app_);
  int red = 0;
  for (int y = 60; y < 79; ++y) {
    for (int x = 12; x < 230; ++x) {
      const Rgb pixel = At(x, y);
      EXPECT_EQ(pixel[1] | pixel[2], 0);
      red += pixel[0] == 255;
    }
  }
  EXPECT_GT(red, 20);
}

TEST_P(ScreenPaintingTest, FillWidthIsComputedInThirtyTwoBits) {
  // 0x40000000 * 4 wraps to 0 in 32 bits: nothing is filled.
  app_->progressRect = {0, 80, 0x40000000, 110};
  app_->progressDone = 4;
  app_->progressTotal = 4;
  OnPaint(*app_);
  EXPECT_TRUE(UntouchedOutside({0, 0, 0, 0}));
}

TEST_P(ScreenPaintingTest, RecordLeftAtZeroPaintsABlackScreen) {
  auto app = std::make_unique<Init_AP>(platform_);
  auto frame = platform_.graphics.CreateBackBuffer(platform::kScreenWidth, platform::kScreenHeight);
  frame->FillRect({0, 0, platform::kScreenWidth, platform::kScreenHeight}, 0x00FFFFFF);
  platform_.graphics.Present(*frame);
  EXPECT_EQ(OnPaint(*app), 0);
  EXPECT_EQ(Screen().pixels, std::vector<std::uint8_t>(240 * 400 * 3, 0));
  EXPECT_EQ(disks_.opens, 0);
}

TEST_P(ScreenPaintingTest, EraseBackgroundNeverChangesTheScreen) {
  OnPaint(*app_);
  app_->statusText.Set(L"copy a.txt");
  app_->progressTotal = 1;
  EXPECT_EQ(OnEraseBkgnd(*app_), 1);
  EXPECT_EQ(Screen().pixels, logo_);
}

// Graphics that cannot make a frame.
class NoFrames final : public platform::Graphics {
 public:
  int ScreenWidth() override { return platform::kScreenWidth; }
  int ScreenHeight() override { return platform::kScreenHeight; }
  std::unique_ptr<platform::BackBuffer> CreateBackBuffer(int, int) override { return nullptr; }
  void Present(const platform::BackBuffer&) override { ++presented; }
  std::unique_ptr<platform::Bitmap> LoadBitmapFile(std::wstring_view) override { return nullptr; }
  int presented = 0;
};

TEST_P(ScreenPaintingTest, PaintWithoutABackBufferIsLeftOut) {
  NoFrames graphics;
  platform::Platform services{platform_.kernel,   platform_.files,   platform_.windows, graphics,
                              platform_.xml,      platform_.shell,   platform_.gps,     platform_.disks,
                              platform_.registry, platform_.codePage};
  Init_AP app(services);
  Prepare(app);
  app.statusText.Set(L"copy a.txt");
  EXPECT_EQ(OnPaint(app), 0);
  EXPECT_EQ(graphics.presented, 0);
  EXPECT_EQ(app.oemLogoReady, 0u);
}

// A window system that paints the window at once when asked to update it.
class RecordingWindows final : public platform::WindowSystem {
 public:
  platform::WindowHandle CreateWindow(platform::WindowProcedure&) override { return 0; }
  void ShowWindow(platform::WindowHandle, int) override {}
  bool DestroyWindow(platform::WindowHandle) override { return false; }
  bool PostMessage(platform::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override { return false; }
  void PostQuitMessage(int) override {}
  bool GetMessage(platform::Message&) override { return false; }
  std::intptr_t DispatchMessage(const platform::Message&) override { return 0; }
  std::intptr_t DefWindowProc(platform::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override {
    return 0;
  }
  void InvalidateWindow(platform::WindowHandle) override {
    calls += "invalidate ";
    invalid = true;
  }
  bool UpdateWindow(platform::WindowHandle) override {
    calls += "update ";
    if (invalid && app) {
      invalid = false;
      textAtPaint = app->statusText.Get();
      OnPaint(*app);
    }
    return true;
  }

  Init_AP* app = nullptr;
  bool invalid = false;
  std::string calls;
  std::wstring textAtPaint;
};

class SetStatusTextTest : public ScreenPaintingTest {
 protected:
  SetStatusTextTest()
      : services_{platform_.kernel, platform_.files, windows_,        platform_.graphics, platform_.xml,
                  platform_.shell,  platform_.gps,   platform_.disks, platform_.registry, platform_.codePage},
        windowApp_(services_) {
    windows_.app = &windowApp_;
  }
  void SetUp() override {
    ScreenPaintingTest::SetUp();
    Prepare(windowApp_);
  }

  RecordingWindows windows_;
  platform::Platform services_;
  Init_AP windowApp_;
};

TEST_P(SetStatusTextTest, FormatsTheTextAndRepaintsBeforeReturning) {
  SetStatusText(windowApp_, L"copy %s", L"a.txt");
  EXPECT_EQ(windowApp_.statusText.Get(), L"copy a.txt");
  EXPECT_EQ(windows_.calls, "invalidate update ");
  EXPECT_EQ(windows_.textAtPaint, L"copy a.txt");
  EXPECT_TRUE(FrameShown(kBlue));

  SetStatusText(windowApp_, L"%s%s", L"delete ", L"b.txt");
  EXPECT_EQ(windowApp_.statusText.Get(), L"delete b.txt");
  SetStatusText(windowApp_, L"update finished. please wait...");
  EXPECT_EQ(windows_.textAtPaint, L"update finished. please wait...");
}

TEST_P(SetStatusTextTest, OverlongTextIsCutToTheField) {
  const std::wstring name(300, L'x');
  SetStatusText(windowApp_, L"copy %s", name);
  const std::wstring text = windowApp_.statusText.Get();
  EXPECT_EQ(text.size(), 259u);
  EXPECT_EQ(text, (L"copy " + name).substr(0, 259));
  // Counted in units: the character that would be split is left out whole.
  SetStatusText(windowApp_, L"copy %s%s", std::wstring(252, L'x'), L"\U00020000\U00020000");
  EXPECT_EQ(windowApp_.statusText.Get(), L"copy " + std::wstring(252, L'x') + L"\U00020000");
}

TEST_P(SetStatusTextTest, EmptyTextRemovesTextAndFrame) {
  SetStatusText(windowApp_, L"copy %s", L"a.txt");
  SetStatusText(windowApp_, L"");
  EXPECT_EQ(Screen().pixels, logo_);
}

INSTANTIATE_TEST_SUITE_P(EachLogo, ScreenPaintingTest, ::testing::Values(LogoSource::Drawn, LogoSource::Corpus),
                         LogoName);
INSTANTIATE_TEST_SUITE_P(EachLogo, SetStatusTextTest, ::testing::Values(LogoSource::Drawn, LogoSource::Corpus),
                         LogoName);

}  // namespace
}  // namespace initap::test
