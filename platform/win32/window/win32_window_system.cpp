#include "platform/win32/window/win32_window_system.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kClassName[] = L"initap";

HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// Hands every message to the window's procedure, kept in the window's user data.
LRESULT CALLBACK Forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* procedure = reinterpret_cast<WindowProcedure*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  // The non-client messages are Windows' own business.
  if (procedure == nullptr || message == WM_NCCREATE || message == WM_NCDESTROY) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  const LRESULT result = procedure->WindowProc(Handle(window), message, wParam, lParam);
  // The procedure paints without BeginPaint: the window counts as painted now.
  if (message == WM_PAINT) ValidateRect(window, nullptr);
  return result;
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// How often a run with nothing to do looks whether it has come to rest, in milliseconds.
constexpr DWORD kRestPoll = 20;

}  // namespace

Win32WindowSystem::Win32WindowSystem(int width, int height, WindowOptions options)
    : width_(width), height_(height), options_(std::move(options)) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Forward;
  windowClass.hInstance = Instance();
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = kClassName;
  // Registered once per process; a second window system finds it there.
  RegisterClassExW(&windowClass);
}

WindowHandle Win32WindowSystem::CreateWindow(WindowProcedure& procedure) {
  HWND window = CreateWindowExW(0, kClassName, L"initap", WS_POPUP, 0, 0, width_, height_, nullptr, nullptr, Instance(),
                                &procedure);
  // Destroyed during its create message: no window.
  if (window == nullptr || !IsWindow(window)) return 0;
  window_ = window;
  return Handle(window);
}

void Win32WindowSystem::ShowWindow(WindowHandle window, int showCommand) { ::ShowWindow(Hwnd(window), showCommand); }

bool Win32WindowSystem::DestroyWindow(WindowHandle window) {
  return IsWindow(Hwnd(window)) && ::DestroyWindow(Hwnd(window)) != 0;
}

bool Win32WindowSystem::PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
  return PostMessageW(Hwnd(window), message, wParam, lParam) != 0;
}

void Win32WindowSystem::CloseFromOutside(std::string_view why) {
  closedFromOutside_ = true;
  PostMessageW(static_cast<HWND>(window_), WM_CLOSE, 0, 0);
  if (options_.notice) options_.notice(why);
}

void Win32WindowSystem::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

bool Win32WindowSystem::GetMessage(Message& message) {
  MSG taken{};
  // A thread posts before it ends: with none alive, an empty queue stays empty.
  while (!closedFromOutside_ && IsWindow(static_cast<HWND>(window_))) {
    const bool noThreads = options_.liveThreads && options_.liveThreads() == 0;
    if (PeekMessageW(&taken, nullptr, 0, 0, PM_NOREMOVE)) break;
    if (noThreads) {
      CloseFromOutside("initap: the run came to rest; closing the window");
    } else if (options_.closeAfter && std::chrono::steady_clock::now() - started_ >= *options_.closeAfter) {
      CloseFromOutside("initap: --close-after has passed; closing the window");
    } else {
      // Paints that other threads ask for are sent messages: handled in here.
      MsgWaitForMultipleObjects(0, nullptr, FALSE, kRestPoll, QS_ALLINPUT);
    }
  }
  const BOOL result = GetMessageW(&taken, nullptr, 0, 0);
  message = Message{Handle(taken.hwnd), taken.message, taken.wParam, taken.lParam};
  return result > 0;
}

std::intptr_t Win32WindowSystem::DispatchMessage(const Message& message) {
  MSG dispatched{};
  dispatched.hwnd = Hwnd(message.window);
  dispatched.message = message.message;
  dispatched.wParam = message.wParam;
  dispatched.lParam = message.lParam;
  return DispatchMessageW(&dispatched);
}

std::intptr_t Win32WindowSystem::DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                               std::intptr_t lParam) {
  return DefWindowProcW(Hwnd(window), message, wParam, lParam);
}

void Win32WindowSystem::InvalidateWindow(WindowHandle window) { InvalidateRect(Hwnd(window), nullptr, FALSE); }

bool Win32WindowSystem::UpdateWindow(WindowHandle window) {
  // From another thread this waits until the window's thread has painted.
  return IsWindow(Hwnd(window)) && ::UpdateWindow(Hwnd(window)) != 0 && IsWindow(Hwnd(window));
}

}  // namespace platform::win32
