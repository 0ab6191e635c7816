// The device's screen on the host: 240x400 pixels composed in software and
// handed to a display driver each time a frame is presented.
#pragma once

#include <memory>
#include <string>

#include "platform/common/screen_size.h"
#include "platform/filesystem.h"
#include "platform/graphics.h"
#include "platform/host/display_driver.h"
#include "platform/host/graphics/font.h"

namespace platform::host {

class HostGraphics final : public Graphics {
 public:
  // The default font, installed by the set-up: the largest size at which every
  // fixed status line fits the default 220-pixel text box, and whose
  // descenders stay clear of the progress frame below it.
  static constexpr const char* kFontFamily = "DejaVu Sans";
  static constexpr int kFontPixelSize = 14;
  static constexpr int kLineHeight = 20;

  // Bitmap files are read through `files`; frames go to `display`. Both outlive this.
  HostGraphics(FileSystem& files, DisplayDriver& display);
  ~HostGraphics() override;

  int ScreenWidth() override { return kScreenWidth; }
  int ScreenHeight() override { return kScreenHeight; }
  std::unique_ptr<BackBuffer> CreateBackBuffer(int width, int height) override;
  // Copies the frame's top-left part onto the screen and shows the screen; on the window's thread.
  void Present(const BackBuffer& frame) override;
  std::unique_ptr<Bitmap> LoadBitmapFile(std::wstring_view path) override;

  // What the screen shows now: black until the first frame.
  const ScreenImage& Screen() const { return screen_; }
  // The default font; null when none could be loaded (text is then not drawn).
  Font* DefaultFont();

 private:
  FileSystem& files_;
  DisplayDriver& display_;
  ScreenImage screen_;
  std::unique_ptr<Font> font_;
  bool fontTried_ = false;
};

}  // namespace platform::host
