#include "platform/host/graphics/animation_output.h"

#include <iostream>
#include <string>

namespace platform::host {

AnimationOutput::AnimationOutput(std::unique_ptr<DisplayDriver> display, std::unique_ptr<WebpAnimation> animation,
                                 std::filesystem::path file)
    : display_(std::move(display)), animation_(std::move(animation)), file_(std::move(file)) {}

std::chrono::milliseconds AnimationOutput::SinceFirstFrame() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - *firstFrame_);
}

void AnimationOutput::Show(const ScreenImage& screen) {
  display_->Show(screen);
  if (!firstFrame_) firstFrame_ = std::chrono::steady_clock::now();
  encoder_.Post([this, at = SinceFirstFrame(), frame = screen] {
    if (stopped_) return;
    std::string error;
    // One complaint is enough: what came before is still written at the end.
    if (!animation_->Add(frame, at, error)) {
      stopped_ = true;
      std::cerr << "initap: the animation stops at frame " << frames_ + 1 << ": " << error << '\n';
      return;
    }
    ++frames_;
  });
}

void AnimationOutput::Finish(const ScreenImage& screen) {
  display_->Finish(screen);
  encoder_.Drain();
  std::string error;
  // A run that never painted shows its blank screen for the whole run.
  if (frames_ == 0 && !stopped_) {
    const auto end = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - created_);
    firstFrame_ = std::chrono::steady_clock::now() - end;
    if (!animation_->Add(screen, std::chrono::milliseconds(0), error)) {
      std::cerr << "initap: cannot write the animation: " << error << '\n';
      return;
    }
  }
  if (!animation_->Write(file_, SinceFirstFrame(), error)) {
    std::cerr << "initap: cannot write the animation: " << error << '\n';
  }
}

}  // namespace platform::host
