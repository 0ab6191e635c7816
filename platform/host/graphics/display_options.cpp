#include "platform/host/graphics/display_options.h"

#include <algorithm>
#include <cctype>

#include "platform/common/screen_size.h"
#include "platform/host/graphics/animation_output.h"
#include "platform/host/graphics/headless_display.h"
#include "platform/host/graphics/png_outputs.h"
#include "platform/host/graphics/window_display.h"

namespace platform::host {

namespace {

// "000001.png", "1234567.png": a name PngOutputs gives a frame.
bool IsFrameName(const std::string& name) {
  constexpr std::string_view kSuffix = ".png";
  if (name.size() < 6 + kSuffix.size() || !name.ends_with(kSuffix)) return false;
  return std::all_of(name.begin(), name.end() - kSuffix.size(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Makes the frames folder and removes the frames of an earlier run, so that
// the folder holds this run's frames only.
bool PrepareFramesFolder(const std::filesystem::path& folder, std::string& error) {
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (failure || !std::filesystem::is_directory(folder)) {
    error = "cannot make the frames folder " + folder.string() + (failure ? ": " + failure.message() : "");
    return false;
  }
  for (std::filesystem::directory_iterator entry(folder, failure), end; !failure && entry != end;
       entry.increment(failure)) {
    if (!IsFrameName(entry->path().filename().string()) || !entry->is_regular_file()) continue;
    std::error_code removed;
    if (!std::filesystem::remove(entry->path(), removed) || removed) {
      error = "cannot remove the earlier frame " + entry->path().string() + (removed ? ": " + removed.message() : "");
      return false;
    }
  }
  if (failure) {
    error = "cannot read the frames folder " + folder.string() + ": " + failure.message();
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<DisplayDriver> MakeDisplayDriver(const DisplayOptions& options, std::string& error) {
  std::unique_ptr<WebpAnimation> animation;
  if (options.animation) {
    animation = WebpAnimation::Create(kScreenWidth, kScreenHeight, error);
    if (!animation) return nullptr;
  }
  std::unique_ptr<DisplayDriver> display;
  if (options.window) {
    display = WindowDisplay::Open(kScreenWidth, kScreenHeight, error);
    if (!display) return nullptr;
  } else {
    display = std::make_unique<HeadlessDisplay>();
  }
  // Last, so that a run refused for another reason keeps the earlier frames.
  if (options.frames && !PrepareFramesFolder(*options.frames, error)) return nullptr;
  if (options.screenshot || options.frames) {
    display = std::make_unique<PngOutputs>(std::move(display), options.screenshot, options.frames);
  }
  if (animation) {
    display = std::make_unique<AnimationOutput>(std::move(display), std::move(animation), *options.animation);
  }
  return display;
}

}  // namespace platform::host
