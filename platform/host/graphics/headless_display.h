// The screen of a run without a desktop window: frames go nowhere.
#pragma once

#include "platform/host/display_driver.h"

namespace platform::host {

class HeadlessDisplay final : public DisplayDriver {
 public:
  void Show(const ScreenImage&) override {}
  bool Poll() override { return false; }
  bool Headless() const override { return true; }
  void Finish(const ScreenImage&) override {}
};

}  // namespace platform::host
