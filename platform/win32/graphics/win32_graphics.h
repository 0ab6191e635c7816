// The device's screen on the Windows API: frames drawn by GDI in memory and
// copied to the window of the thread that presents them. The screen keeps
// the last frame, so that it can be read back (Wine's null graphics driver
// shows nothing).
#pragma once

#include <functional>
#include <memory>

#include "platform/common/screen_size.h"
#include "platform/graphics.h"
#include "platform/win32/files/win32_files.h"
#include "platform/win32/graphics/gdi_back_buffer.h"

namespace platform::win32 {

class Win32Graphics final : public Graphics {
 public:
  // Bitmap files are read through `files`, which outlives this.
  explicit Win32Graphics(Win32FileSystem& files);

  int ScreenWidth() override { return kScreenWidth; }
  int ScreenHeight() override { return kScreenHeight; }
  std::unique_ptr<BackBuffer> CreateBackBuffer(int width, int height) override;
  // Copies the frame (made by this service) onto the screen and the calling thread's window.
  void Present(const BackBuffer& frame) override;
  std::unique_ptr<Bitmap> LoadBitmapFile(std::wstring_view path) override;

  // What the screen shows now: black until the first frame; null when GDI failed.
  const GdiBackBuffer* Screen() const { return screen_.get(); }
  // Handed the screen after each frame has been copied onto it.
  void OnPresent(std::function<void(const GdiBackBuffer& screen)> presented) { presented_ = std::move(presented); }

 private:
  Win32FileSystem& files_;
  std::function<void(const GdiBackBuffer&)> presented_;
  std::unique_ptr<GdiBackBuffer> screen_;
};

}  // namespace platform::win32
