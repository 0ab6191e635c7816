#include "platform/host/graphics/display_options.h"

#include "platform/host/graphics/headless_display.h"
#include "platform/host/graphics/host_graphics.h"
#include "platform/host/graphics/png_outputs.h"
#include "platform/host/graphics/window_display.h"

namespace platform::host {

std::unique_ptr<DisplayDriver> MakeDisplayDriver(const DisplayOptions& options, std::string& error) {
  if (options.frames) {
    std::error_code made;
    std::filesystem::create_directories(*options.frames, made);
    if (made || !std::filesystem::is_directory(*options.frames)) {
      error = "cannot make the frames folder " + options.frames->string() + (made ? ": " + made.message() : "");
      return nullptr;
    }
  }
  std::unique_ptr<DisplayDriver> display;
  if (options.window) {
    display = WindowDisplay::Open(HostGraphics::kScreenWidth, HostGraphics::kScreenHeight, error);
    if (!display) return nullptr;
  } else {
    display = std::make_unique<HeadlessDisplay>();
  }
  if (!options.screenshot && !options.frames) return display;
  return std::make_unique<PngOutputs>(std::move(display), options.screenshot, options.frames);
}

}  // namespace platform::host
