// The screen as a real window on the desktop (SDL2), painted 1:1.
#pragma once

#include <memory>
#include <string>

#include "platform/host/display_driver.h"

namespace platform::host {

class WindowDisplay final : public DisplayDriver {
 public:
  // Opens a window of the screen's size, black until the first frame; null
  // with `error` filled when there is no desktop to open it on.
  static std::unique_ptr<WindowDisplay> Open(int width, int height, std::string& error);
  ~WindowDisplay() override;
  WindowDisplay(const WindowDisplay&) = delete;
  WindowDisplay& operator=(const WindowDisplay&) = delete;

  void Show(const ScreenImage& screen) override;
  // Repaints what the desktop uncovered; true when a person asked to close
  // the window since the last call.
  bool Poll() override;
  bool Headless() const override { return false; }
  void Finish(const ScreenImage&) override {}

 private:
  struct Sdl;
  explicit WindowDisplay(std::unique_ptr<Sdl> sdl);

  std::unique_ptr<Sdl> sdl_;
};

}  // namespace platform::host
