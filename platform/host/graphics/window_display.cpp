#include "platform/host/graphics/window_display.h"

#include <SDL.h>

#include <string_view>

namespace platform::host {

// The video subsystem stays up until the process ends: quitting it would
// unload the desktop's libraries while their caches are still in use.
struct WindowDisplay::Sdl {
  SDL_Window* window = nullptr;
  ~Sdl() {
    if (window) SDL_DestroyWindow(window);
  }
};

std::unique_ptr<WindowDisplay> WindowDisplay::Open(int width, int height, std::string& error) {
  // Interrupting the program stays the terminal's business, not a close request.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("cannot open a window: ") + SDL_GetError();
    return nullptr;
  }
  auto sdl = std::make_unique<Sdl>();
  // SDL falls back to drivers without a screen, where nobody would see or close the window.
  const std::string_view driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  if (driver == "offscreen" || driver == "dummy") {
    error = "cannot open a window: no desktop to show it on (DISPLAY is not set or unusable)";
    return nullptr;
  }
  sdl->window = SDL_CreateWindow("initap", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                 SDL_WINDOW_SHOWN);
  SDL_Surface* surface = sdl->window ? SDL_GetWindowSurface(sdl->window) : nullptr;
  if (!surface) {
    error = std::string("cannot open a window: ") + SDL_GetError();
    return nullptr;
  }
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
  SDL_UpdateWindowSurface(sdl->window);
  return std::unique_ptr<WindowDisplay>(new WindowDisplay(std::move(sdl)));
}

WindowDisplay::WindowDisplay(std::unique_ptr<Sdl> sdl) : sdl_(std::move(sdl)) {}

WindowDisplay::~WindowDisplay() = default;

void WindowDisplay::Show(const ScreenImage& screen) {
  SDL_Surface* target = SDL_GetWindowSurface(sdl_->window);
  if (!target || screen.width <= 0 || screen.height <= 0) return;
  SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(screen.pixels.data()), screen.width,
                                                          screen.height, 24, screen.width * 3, SDL_PIXELFORMAT_BGR24);
  if (!frame) return;
  SDL_BlitSurface(frame, nullptr, target, nullptr);
  SDL_FreeSurface(frame);
  SDL_UpdateWindowSurface(sdl_->window);
}

bool WindowDisplay::Poll() {
  bool closeRequested = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT) closeRequested = true;
    if (event.type != SDL_WINDOWEVENT) continue;
    if (event.window.event == SDL_WINDOWEVENT_CLOSE) closeRequested = true;
    // The window surface still holds the last frame.
    if (event.window.event == SDL_WINDOWEVENT_EXPOSED) SDL_UpdateWindowSurface(sdl_->window);
  }
  return closeRequested;
}

}  // namespace platform::host
