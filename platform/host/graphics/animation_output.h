// The whole run as one animation, written beside what another driver does
// with the screen: every frame shown for as long as the screen showed it,
// timed as it is shown and encoded on a thread of its own.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/host/display_driver.h"
#include "platform/host/graphics/encoding_thread.h"
#include "platform/host/graphics/webp_animation.h"

namespace platform::host {

class AnimationOutput final : public DisplayDriver {
 public:
  // `animation` is written to `file` at Finish.
  AnimationOutput(std::unique_ptr<DisplayDriver> display, std::unique_ptr<WebpAnimation> animation,
                  std::filesystem::path file);

  void Show(const ScreenImage& screen) override;
  bool Poll() override { return display_->Poll(); }
  bool Headless() const override { return display_->Headless(); }
  void Finish(const ScreenImage& screen) override;

 private:
  std::chrono::milliseconds SinceFirstFrame() const;

  std::unique_ptr<DisplayDriver> display_;
  std::unique_ptr<WebpAnimation> animation_;
  std::filesystem::path file_;
  const std::chrono::steady_clock::time_point created_ = std::chrono::steady_clock::now();
  std::optional<std::chrono::steady_clock::time_point> firstFrame_;
  // On the encoding thread until Finish has drained it.
  unsigned long frames_ = 0;
  bool stopped_ = false;
  // Last, so that it has done its work before the rest goes.
  EncodingThread encoder_{kWaitingFrames};
};

}  // namespace platform::host
