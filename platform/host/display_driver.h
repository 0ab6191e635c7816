// Where the device's screen goes on the host: nowhere (headless), into PNG
// files, or into a desktop window. Drivers run on the window's thread.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::host {

// A picture of the screen: 3 bytes a pixel (blue, green, red), top row first,
// the order of the device's 24-bit bitmaps, so that a logo copies straight in.
struct ScreenImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

class DisplayDriver {
 public:
  virtual ~DisplayDriver() = default;
  // Takes a frame that was just copied to the screen.
  virtual void Show(const ScreenImage& screen) = 0;
  // Handles pending desktop events; true when a person asked to close the window.
  virtual bool Poll() = 0;
  // True when nobody can close the window: a run that comes to rest is closed for them.
  virtual bool Headless() const = 0;
  // The run has ended; `screen` is what the screen shows last.
  virtual void Finish(const ScreenImage& screen) = 0;
};

}  // namespace platform::host
