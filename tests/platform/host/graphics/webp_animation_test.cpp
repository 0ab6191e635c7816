// The whole run as one animated picture: every frame, its time, its pixels.
#include "platform/host/graphics/webp_animation.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/common/screen_size.h"
#include "tests/support/animation_frames.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
using initap::test::AnimationFrame;
using platform::kScreenHeight;
using platform::kScreenWidth;
using platform::host::ScreenImage;

// A picture of the screen's size with fine detail, so that a lossy encoding would show.
ScreenImage Screen(int seed) {
  ScreenImage image{kScreenWidth, kScreenHeight, std::vector<std::uint8_t>(kScreenWidth * kScreenHeight * 3)};
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = static_cast<std::uint8_t>(i * 7 + seed * 13 + i / 720);
  }
  return image;
}

std::vector<AnimationFrame> Decode(const std::filesystem::path& file) {
  std::vector<AnimationFrame> frames;
  std::string error;
  EXPECT_TRUE(initap::test::DecodeAnimation(file, frames, error)) << error;
  return frames;
}

TEST(WebpAnimationTest, EachFrameKeepsItsPixelsAndIsShownUntilTheNext) {
  struct Shown {
    int seed;
    std::chrono::milliseconds at;
  };
  struct Case {
    const char* name;
    std::vector<Shown> shown;
    std::chrono::milliseconds end;
    std::vector<int> seeds;      // the frames of the picture
    std::vector<int> durations;  // and how long each is shown, in ms
  };
  const std::vector<Case> cases = {
      {"three frames", {{1, 0ms}, {2, 40ms}, {3, 100ms}}, 2350ms, {1, 2, 3}, {40, 60, 2250}},
      {"a frame shown again lengthens it", {{1, 0ms}, {1, 30ms}, {2, 50ms}}, 80ms, {1, 2}, {50, 30}},
      {"a frame shown for less than a millisecond", {{1, 0ms}, {2, 0ms}, {3, 5ms}}, 9ms, {1, 2, 3}, {0, 5, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    initap::test::TempFolder folder;
    std::string error;
    auto animation = platform::host::WebpAnimation::Create(kScreenWidth, kScreenHeight, error);
    ASSERT_TRUE(animation) << error;
    for (const Shown& shown : c.shown) ASSERT_TRUE(animation->Add(Screen(shown.seed), shown.at, error)) << error;
    ASSERT_TRUE(animation->Write(folder.path() / "boot.webp", c.end, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "boot.webp.partial"));

    const std::vector<AnimationFrame> frames = Decode(folder.path() / "boot.webp");
    ASSERT_EQ(frames.size(), c.seeds.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
      EXPECT_TRUE(frames[i].image.pixels == Screen(c.seeds[i]).pixels) << "frame " << i + 1;
      EXPECT_EQ(frames[i].durationMs, c.durations[i]) << "frame " << i + 1;
    }
  }
}

}  // namespace
