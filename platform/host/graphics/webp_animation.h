// The screen's frames as one lossless animated WebP picture, each frame shown
// until the next one came.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/host/display_driver.h"

namespace platform::host {

class WebpAnimation {
 public:
  // An empty animation of `width` x `height` pixels; null with `error` filled
  // when the encoder cannot be made.
  static std::unique_ptr<WebpAnimation> Create(int width, int height, std::string& error);
  ~WebpAnimation();
  WebpAnimation(const WebpAnimation&) = delete;
  WebpAnimation& operator=(const WebpAnimation&) = delete;

  // Adds a frame shown from `at` on (time since the animation's start, never
  // earlier than the frame before). A frame equal to the one before only
  // lengthens it.
  bool Add(const ScreenImage& frame, std::chrono::milliseconds at, std::string& error);
  // Ends the last frame at `end` and writes the animation beside `file`, then
  // renames it into place. False with `error` filled when there is no frame
  // or the file cannot be written.
  bool Write(const std::filesystem::path& file, std::chrono::milliseconds end, std::string& error);

 private:
  struct Encoder;
  explicit WebpAnimation(std::unique_ptr<Encoder> encoder);
  std::unique_ptr<Encoder> encoder_;
};

}  // namespace platform::host
