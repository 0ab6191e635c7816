#include "platform/host/graphics/window_display.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace platform::host {

namespace {

// The desktop's library is loaded only when a window is asked for: linked in,
// it and its sound and display libraries would cost every headless boot
// several milliseconds before the first line of the program runs.
struct SdlLibrary {
  decltype(&::SDL_SetHint) SetHint = nullptr;
  decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
  decltype(&::SDL_GetError) GetError = nullptr;
  decltype(&::SDL_GetCurrentVideoDriver) GetCurrentVideoDriver = nullptr;
  decltype(&::SDL_CreateWindow) CreateWindow = nullptr;
  decltype(&::SDL_DestroyWindow) DestroyWindow = nullptr;
  decltype(&::SDL_GetWindowSurface) GetWindowSurface = nullptr;
  decltype(&::SDL_UpdateWindowSurface) UpdateWindowSurface = nullptr;
  decltype(&::SDL_MapRGB) MapRGB = nullptr;
  decltype(&::SDL_FillRect) FillRect = nullptr;
  decltype(&::SDL_CreateRGBSurfaceWithFormatFrom) CreateSurfaceFrom = nullptr;
  decltype(&::SDL_UpperBlit) Blit = nullptr;
  decltype(&::SDL_FreeSurface) FreeSurface = nullptr;
  decltype(&::SDL_PollEvent) PollEvent = nullptr;
  // Why the functions are not there; empty when they all are.
  std::string error;
};

constexpr const char* kSdlLibraryName = "libSDL2-2.0.so.0";

template <typename Function>
bool Bind(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

SdlLibrary Load() {
  SdlLibrary sdl;
  void* library = dlopen(kSdlLibraryName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!library) {
    sdl.error = std::string("cannot open a window: ") + dlerror();
    return sdl;
  }
  const bool bound =
      Bind(library, "SDL_SetHint", sdl.SetHint) && Bind(library, "SDL_InitSubSystem", sdl.InitSubSystem) &&
      Bind(library, "SDL_GetError", sdl.GetError) &&
      Bind(library, "SDL_GetCurrentVideoDriver", sdl.GetCurrentVideoDriver) &&
      Bind(library, "SDL_CreateWindow", sdl.CreateWindow) && Bind(library, "SDL_DestroyWindow", sdl.DestroyWindow) &&
      Bind(library, "SDL_GetWindowSurface", sdl.GetWindowSurface) &&
      Bind(library, "SDL_UpdateWindowSurface", sdl.UpdateWindowSurface) && Bind(library, "SDL_MapRGB", sdl.MapRGB) &&
      Bind(library, "SDL_FillRect", sdl.FillRect) &&
      Bind(library, "SDL_CreateRGBSurfaceWithFormatFrom", sdl.CreateSurfaceFrom) &&
      Bind(library, "SDL_UpperBlit", sdl.Blit) && Bind(library, "SDL_FreeSurface", sdl.FreeSurface) &&
      Bind(library, "SDL_PollEvent", sdl.PollEvent);
  if (!bound) sdl.error = std::string("cannot open a window: ") + kSdlLibraryName + " is not the SDL2 it should be";
  return sdl;
}

// The library once per process, or null with `error` filled. It is never
// unloaded, as the video subsystem below is never quit.
const SdlLibrary* LoadSdl(std::string& error) {
  static const SdlLibrary sdl = Load();
  if (sdl.error.empty()) return &sdl;
  error = sdl.error;
  return nullptr;
}

}  // namespace

// The video subsystem stays up until the process ends: quitting it would
// unload the desktop's libraries while their caches are still in use.
struct WindowDisplay::Sdl {
  const SdlLibrary& library;
  SDL_Window* window = nullptr;
  ~Sdl() {
    if (window) library.DestroyWindow(window);
  }
};

constexpr std::string_view kWithoutDesktop = "; run initap on a desktop, or under xvfb-run, or with --display headless";

std::unique_ptr<WindowDisplay> WindowDisplay::Open(int width, int height, std::string& error) {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    error = "cannot open a window: neither DISPLAY nor WAYLAND_DISPLAY is set" + std::string(kWithoutDesktop);
    return nullptr;
  }
  const SdlLibrary* library = LoadSdl(error);
  if (!library) return nullptr;
  const SdlLibrary& call = *library;
  // Interrupting the program stays the terminal's business, not a close request.
  call.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (call.InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("cannot open a window: ") + call.GetError() + std::string(kWithoutDesktop);
    return nullptr;
  }
  auto sdl = std::unique_ptr<Sdl>(new Sdl{call});
  // SDL falls back to drivers without a screen, where nobody would see or close the window.
  const char* current = call.GetCurrentVideoDriver();
  const std::string_view driver = current ? current : "";
  if (driver == "offscreen" || driver == "dummy") {
    error = "cannot open a window: no desktop to show it on" + std::string(kWithoutDesktop);
    return nullptr;
  }
  sdl->window =
      call.CreateWindow("initap", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_SHOWN);
  SDL_Surface* surface = sdl->window ? call.GetWindowSurface(sdl->window) : nullptr;
  if (!surface) {
    error = std::string("cannot open a window: ") + call.GetError();
    return nullptr;
  }
  call.FillRect(surface, nullptr, call.MapRGB(surface->format, 0, 0, 0));
  call.UpdateWindowSurface(sdl->window);
  return std::unique_ptr<WindowDisplay>(new WindowDisplay(std::move(sdl)));
}

WindowDisplay::WindowDisplay(std::unique_ptr<Sdl> sdl) : sdl_(std::move(sdl)) {}

WindowDisplay::~WindowDisplay() = default;

void WindowDisplay::Show(const ScreenImage& screen) {
  const SdlLibrary& call = sdl_->library;
  SDL_Surface* target = call.GetWindowSurface(sdl_->window);
  if (!target || screen.width <= 0 || screen.height <= 0) return;
  SDL_Surface* frame = call.CreateSurfaceFrom(const_cast<std::uint8_t*>(screen.pixels.data()), screen.width,
                                              screen.height, 24, screen.width * 3, SDL_PIXELFORMAT_BGR24);
  if (!frame) return;
  call.Blit(frame, nullptr, target, nullptr);
  call.FreeSurface(frame);
  call.UpdateWindowSurface(sdl_->window);
}

bool WindowDisplay::Poll() {
  const SdlLibrary& call = sdl_->library;
  bool closeRequested = false;
  SDL_Event event;
  while (call.PollEvent(&event)) {
    if (event.type == SDL_QUIT) closeRequested = true;
    if (event.type != SDL_WINDOWEVENT) continue;
    if (event.window.event == SDL_WINDOWEVENT_CLOSE) closeRequested = true;
    // The window surface still holds the last frame.
    if (event.window.event == SDL_WINDOWEVENT_EXPOSED) call.UpdateWindowSurface(sdl_->window);
  }
  return closeRequested;
}

}  // namespace platform::host
