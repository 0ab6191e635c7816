// An animated WebP picture taken apart with libwebp's own decoder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/display_driver.h"

namespace initap::test {

struct AnimationFrame {
  platform::host::ScreenImage image;  // blue, green, red, as the screen keeps them
  int durationMs = 0;
};

// Every frame of `file` as shown; false with `error` filled when it does not decode.
bool DecodeAnimation(const std::filesystem::path& file, std::vector<AnimationFrame>& frames, std::string& error);

}  // namespace initap::test
