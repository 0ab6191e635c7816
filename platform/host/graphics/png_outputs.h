// PNG files of the screen, written beside what another driver does with it:
// the last screen at the end of the run, and every frame as it is shown,
// encoded on a thread of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/host/display_driver.h"
#include "platform/host/graphics/encoding_thread.h"

namespace platform::host {

class PngOutputs final : public DisplayDriver {
 public:
  // `screenshot`: written at Finish. `frames`: an existing folder that
  // receives 000001.png, 000002.png, ... one per frame shown, each written
  // by the time Finish returns.
  PngOutputs(std::unique_ptr<DisplayDriver> display, std::optional<std::filesystem::path> screenshot,
             std::optional<std::filesystem::path> frames);

  void Show(const ScreenImage& screen) override;
  bool Poll() override { return display_->Poll(); }
  bool Headless() const override { return display_->Headless(); }
  void Finish(const ScreenImage& screen) override;

 private:
  std::unique_ptr<DisplayDriver> display_;
  std::optional<std::filesystem::path> screenshot_;
  std::optional<std::filesystem::path> frames_;
  std::uint32_t frameCount_ = 0;
  bool frameFailed_ = false;  // on the encoding thread
  // Last, so that it has done its work before the rest goes.
  EncodingThread encoder_{kWaitingFrames};
};

}  // namespace platform::host
