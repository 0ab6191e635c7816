// The host screen's drivers as the command line chooses them.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/display_driver.h"

namespace platform::host {

struct DisplayOptions {
  bool window = false;                              // a desktop window instead of none
  std::optional<std::filesystem::path> screenshot;  // the last screen, as a PNG file
  std::optional<std::filesystem::path> frames;      // every frame, as DIR/000001.png ...
  std::optional<std::filesystem::path> animation;   // every frame with its time, as one WebP file
};

// The driver for the options, on the calling thread, which becomes the
// window's thread; null with `error` filled when the window cannot be opened
// or the frames folder cannot be made. The numbered frames an earlier run left
// in the frames folder are removed first; its other files stay.
std::unique_ptr<DisplayDriver> MakeDisplayDriver(const DisplayOptions& options, std::string& error);

}  // namespace platform::host
