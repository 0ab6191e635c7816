// The screen's way out: Present, the PNG files and the driver the options choose.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include "platform/common/screen_size.h"
#include "platform/host/graphics/display_options.h"
#include "platform/host/graphics/headless_display.h"
#include "platform/host/graphics/host_graphics.h"
#include "platform/host/graphics/png_file.h"
#include "platform/host/graphics/png_outputs.h"
#include "tests/support/corpus.h"
#include "tests/support/memory_files.h"
#include "tests/support/temp_folder.h"

namespace {

using platform::kScreenHeight;
using platform::kScreenWidth;
using platform::host::DisplayDriver;
using platform::host::DisplayOptions;
using platform::host::ScreenImage;
namespace fs = std::filesystem;

// Remembers what it was given.
class RecordingDisplay final : public DisplayDriver {
 public:
  void Show(const ScreenImage& screen) override { shown.push_back(screen); }
  bool Poll() override { return false; }
  bool Headless() const override { return true; }
  void Finish(const ScreenImage& screen) override { finished.push_back(screen); }

  std::vector<ScreenImage> shown;
  std::vector<ScreenImage> finished;
};

ScreenImage Gradient(int width, int height, int seed) {
  ScreenImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return image;
}

ScreenImage Read(const fs::path& file) {
  ScreenImage image;
  std::string error;
  EXPECT_TRUE(platform::host::ReadPng(file, image, error)) << error;
  return image;
}

TEST(HostGraphicsTest, PresentCopiesTheFrameToTheScreenAndShowsIt) {
  initap::test::MemoryFiles files;
  RecordingDisplay display;
  platform::host::HostGraphics graphics(files, display);
  EXPECT_EQ(graphics.ScreenWidth(), 240);
  EXPECT_EQ(graphics.ScreenHeight(), 400);
  EXPECT_EQ(graphics.Screen().pixels, std::vector<std::uint8_t>(240 * 400 * 3, 0));

  auto frame = graphics.CreateBackBuffer(kScreenWidth, kScreenHeight);
  ASSERT_TRUE(frame);
  frame->FillRect({0, 0, 1, 1}, 0x00332211);
  frame->FillRect({kScreenWidth - 1, kScreenHeight - 1, kScreenWidth, kScreenHeight}, 0x000000FF);
  // Drawing alone does not reach the screen.
  EXPECT_EQ(graphics.Screen().pixels[0], 0);
  graphics.Present(*frame);
  ASSERT_EQ(display.shown.size(), 1u);
  const ScreenImage& screen = display.shown[0];
  EXPECT_EQ(screen.width, 240);
  EXPECT_EQ(screen.height, 400);
  // Blue, green, red.
  EXPECT_EQ(screen.pixels[0], 0x33);
  EXPECT_EQ(screen.pixels[1], 0x22);
  EXPECT_EQ(screen.pixels[2], 0x11);
  EXPECT_EQ(screen.pixels[240 * 400 * 3 - 1], 0xFF);
  EXPECT_EQ(screen.pixels[240 * 400 * 3 - 3], 0);
  EXPECT_EQ(graphics.Screen().pixels, screen.pixels);

  // Every frame starts black: the last one does not shine through.
  auto next = graphics.CreateBackBuffer(kScreenWidth, kScreenHeight);
  graphics.Present(*next);
  EXPECT_EQ(display.shown[1].pixels, std::vector<std::uint8_t>(240 * 400 * 3, 0));
}

TEST(HostGraphicsTest, SmallerFrameCoversOnlyTheTopLeftOfTheScreen) {
  initap::test::MemoryFiles files;
  RecordingDisplay display;
  platform::host::HostGraphics graphics(files, display);
  auto full = graphics.CreateBackBuffer(kScreenWidth, kScreenHeight);
  full->FillRect({0, 0, kScreenWidth, kScreenHeight}, 0x00FFFFFF);
  graphics.Present(*full);
  auto small = graphics.CreateBackBuffer(2, 2);
  graphics.Present(*small);
  const ScreenImage& screen = graphics.Screen();
  EXPECT_EQ(screen.pixels[0], 0);
  EXPECT_EQ(screen.pixels[(1 * 240 + 1) * 3], 0);
  EXPECT_EQ(screen.pixels[2 * 3], 0xFF);
  EXPECT_EQ(screen.pixels[(2 * 240) * 3], 0xFF);
  EXPECT_FALSE(graphics.CreateBackBuffer(0, 400));
}

TEST(PngFileTest, WrittenPictureReadsBackUnchanged) {
  initap::test::TempFolder folder;
  const ScreenImage picture = Gradient(7, 5, 3);
  std::string error;
  ASSERT_TRUE(platform::host::WritePng(folder.path() / "p.png", picture, error)) << error;
  const ScreenImage back = Read(folder.path() / "p.png");
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.height, 5);
  EXPECT_EQ(back.pixels, picture.pixels);
  EXPECT_FALSE(fs::exists(folder.path() / "p.png.partial"));
}

TEST(PngFileTest, ReportsWhatItCannotDo) {
  initap::test::TempFolder folder;
  std::string error;
  ScreenImage image;
  EXPECT_FALSE(platform::host::ReadPng(folder.path() / "missing.png", image, error));
  EXPECT_NE(error.find("missing.png"), std::string::npos);
  std::ofstream(folder.path() / "text.png") << "not a picture";
  EXPECT_FALSE(platform::host::ReadPng(folder.path() / "text.png", image, error));
  // A real PNG cut short.
  ASSERT_TRUE(platform::host::WritePng(folder.path() / "whole.png", Gradient(64, 64, 1), error));
  const auto size = fs::file_size(folder.path() / "whole.png");
  fs::copy_file(folder.path() / "whole.png", folder.path() / "cut.png");
  fs::resize_file(folder.path() / "cut.png", size / 2);
  error.clear();
  EXPECT_FALSE(platform::host::ReadPng(folder.path() / "cut.png", image, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(platform::host::WritePng(folder.path() / "no" / "such" / "folder.png", Gradient(2, 2, 0), error));
  EXPECT_FALSE(platform::host::WritePng(folder.path() / "empty.png", ScreenImage{}, error));
}

// Logo pictures made by other programs: the demo device's own, and the outside one.
class PngLogoTest : public ::testing::TestWithParam<const char*> {};

TEST_P(PngLogoTest, ReadsAPictureOfAnotherMaker) {
  const std::string name = GetParam();
  if (name == "Corpus") INITAP_SKIP_WITHOUT_CORPUS();
  const ScreenImage picture = Read(name == "Corpus" ? initap::test::CorpusFolder() / "img/astronaut_240x400.png"
                                                    : fs::path(INITAP_SOURCE_DIR) / "examples/demo-logo.png");
  EXPECT_EQ(picture.width, 240);
  EXPECT_EQ(picture.height, 400);
  ASSERT_EQ(picture.pixels.size(), 240u * 400 * 3);
  EXPECT_GT(std::set<std::uint8_t>(picture.pixels.begin(), picture.pixels.end()).size(), 50u);
}

INSTANTIATE_TEST_SUITE_P(EachPicture, PngLogoTest, ::testing::Values("DemoLogo", "Corpus"),
                         [](const auto& info) { return std::string(info.param); });

TEST(DisplayOptionsTest, HeadlessByDefault) {
  std::string error;
  auto display = platform::host::MakeDisplayDriver(DisplayOptions{}, error);
  ASSERT_TRUE(display) << error;
  EXPECT_TRUE(display->Headless());
  EXPECT_FALSE(display->Poll());
}

TEST(DisplayOptionsTest, ScreenshotIsTheLastScreenWrittenAtTheEnd) {
  initap::test::TempFolder folder;
  DisplayOptions options;
  options.screenshot = folder.path() / "shot.png";
  std::string error;
  auto display = platform::host::MakeDisplayDriver(options, error);
  ASSERT_TRUE(display) << error;
  EXPECT_TRUE(display->Headless());
  display->Show(Gradient(kScreenWidth, kScreenHeight, 1));
  EXPECT_FALSE(fs::exists(folder.path() / "shot.png"));
  const ScreenImage last = Gradient(kScreenWidth, kScreenHeight, 2);
  display->Finish(last);
  EXPECT_EQ(Read(folder.path() / "shot.png").pixels, last.pixels);
}

TEST(DisplayOptionsTest, FramesAreNumberedInTheOrderShown) {
  initap::test::TempFolder folder;
  DisplayOptions options;
  options.frames = folder.path() / "frames" / "run1";
  std::string error;
  auto display = platform::host::MakeDisplayDriver(options, error);
  ASSERT_TRUE(display) << error;
  EXPECT_TRUE(fs::is_directory(*options.frames));
  const ScreenImage first = Gradient(kScreenWidth, kScreenHeight, 1), second = Gradient(kScreenWidth, kScreenHeight, 2);
  display->Show(first);
  display->Show(second);
  display->Finish(second);
  EXPECT_EQ(Read(*options.frames / "000001.png").pixels, first.pixels);
  EXPECT_EQ(Read(*options.frames / "000002.png").pixels, second.pixels);
  EXPECT_FALSE(fs::exists(*options.frames / "000003.png"));
}

TEST(DisplayOptionsTest, FramesFolderThatCannotBeMadeIsAnError) {
  initap::test::TempFolder folder;
  std::ofstream(folder.path() / "file") << "x";
  DisplayOptions options;
  options.frames = folder.path() / "file";
  std::string error;
  EXPECT_FALSE(platform::host::MakeDisplayDriver(options, error));
  EXPECT_NE(error.find("frames"), std::string::npos);
}

TEST(DisplayOptionsTest, FramesOfAnEarlierRunAreRemovedAndNothingElse) {
  initap::test::TempFolder folder;
  const struct {
    const char* name;
    bool kept;
  } files[] = {{"000001.png", false}, {"000042.png", false}, {"1234567.png", false},       {"00001.png", true},
               {"000001.PNG", true},  {"frame.png", true},   {"000001.png.partial", true}, {"notes.txt", true}};
  for (const auto& file : files) std::ofstream(folder.path() / file.name) << "x";
  fs::create_directory(folder.path() / "000002.png");
  DisplayOptions options;
  options.frames = folder.path();
  std::string error;
  ASSERT_TRUE(platform::host::MakeDisplayDriver(options, error)) << error;
  for (const auto& file : files) EXPECT_EQ(fs::exists(folder.path() / file.name), file.kept) << file.name;
  EXPECT_TRUE(fs::is_directory(folder.path() / "000002.png")) << "a folder is no frame";
}

TEST(PngOutputsTest, PassesEverythingOnToTheDisplayItWraps) {
  initap::test::TempFolder folder;
  auto recording = std::make_unique<RecordingDisplay>();
  RecordingDisplay& inner = *recording;
  platform::host::PngOutputs outputs(std::move(recording), folder.path() / "shot.png", folder.path());
  outputs.Show(Gradient(4, 4, 1));
  outputs.Finish(Gradient(4, 4, 2));
  EXPECT_EQ(inner.shown.size(), 1u);
  EXPECT_EQ(inner.finished.size(), 1u);
  EXPECT_TRUE(outputs.Headless());
  EXPECT_TRUE(fs::exists(folder.path() / "000001.png"));
  EXPECT_TRUE(fs::exists(folder.path() / "shot.png"));
}

}  // namespace
