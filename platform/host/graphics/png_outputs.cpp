#include "platform/host/graphics/png_outputs.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/host/graphics/png_file.h"

namespace platform::host {

PngOutputs::PngOutputs(std::unique_ptr<DisplayDriver> display, std::optional<std::filesystem::path> screenshot,
                       std::optional<std::filesystem::path> frames)
    : display_(std::move(display)), screenshot_(std::move(screenshot)), frames_(std::move(frames)) {}

void PngOutputs::Show(const ScreenImage& screen) {
  display_->Show(screen);
  if (!frames_) return;
  encoder_.Post([this, number = ++frameCount_, frame = screen] {
    char name[16];
    std::snprintf(name, sizeof name, "%06u.png", static_cast<unsigned>(number));
    std::string error;
    // One complaint is enough: the next frames would fail alike.
    if (!WritePng(*frames_ / name, frame, error) && !frameFailed_) {
      frameFailed_ = true;
      std::cerr << "initap: cannot write frame " << number << ": " << error << '\n';
    }
  });
}

void PngOutputs::Finish(const ScreenImage& screen) {
  display_->Finish(screen);
  encoder_.Drain();
  if (!screenshot_) return;
  std::string error;
  if (!WritePng(*screenshot_, screen, error)) std::cerr << "initap: cannot write the screenshot: " << error << '\n';
}

}  // namespace platform::host
