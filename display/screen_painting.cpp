#include "display/screen_painting.h"

#include <string>
#include <tuple>

#include "display/oem_logo.h"
#include "platform/common/wide_units.h"

namespace initap {

namespace {

// (right - left) * done / total with the device's 32-bit wrap-around, truncating toward zero.
std::int32_t FillWidth(const platform::Rect& bar, std::int32_t done, std::int32_t total) {
  const auto width = static_cast<std::int32_t>(std::int64_t{bar.right} - bar.left);
  const auto product = static_cast<std::int32_t>(std::int64_t{width} * done);
  return product / total;
}

}  // namespace

std::intptr_t OnPaint(Init_AP& app) {
  platform::Graphics& graphics = app.platform.graphics;
  const int width = graphics.ScreenWidth();
  const int height = graphics.ScreenHeight();
  // A frame that cannot be made leaves this paint out; the next one tries again.
  const std::unique_ptr<platform::BackBuffer> frame = graphics.CreateBackBuffer(width, height);
  if (!frame) return 0;

  DrawOEMLogo(app, *frame);
  const std::wstring text = app.statusText.Get();
  if (!text.empty()) {
    frame->DrawText(app.filenameRect, text, app.filenameColor);
    frame->FrameRect(app.progressRect, kProgressPenWidth, app.progressColor);
  }
  const std::int32_t total = app.progressTotal.load();
  if (total > 0) {
    const platform::Rect& bar = app.progressRect;
    const std::int32_t fill = FillWidth(bar, app.progressDone.load(), total);
    const auto right = static_cast<std::int32_t>(std::int64_t{bar.left} + fill);
    frame->FillRect({bar.left, bar.top, right, bar.bottom}, app.progressColor);
  }
  graphics.Present(*frame);
  return 0;
}

std::intptr_t OnEraseBkgnd(Init_AP&) { return 1; }

void ShowStatusText(Init_AP& app, std::wstring_view text) {
  app.statusText.Set(platform::WideUnitsPrefix(text, kStatusTextCapacity - 1));
  app.platform.windows.InvalidateWindow(app.Handle());
  std::ignore = app.platform.windows.UpdateWindow(app.Handle());
}

}  // namespace initap
