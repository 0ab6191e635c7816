// The window framework: a frame window whose message map sees each message
// first, then the frame handling, then the platform's default procedure.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace initap {

class FrameWindow : public platform::WindowProcedure {
 public:
  explicit FrameWindow(platform::WindowSystem& windows) : windows_(windows) {}

  // Creates the window; the create message reaches the message map before this returns.
  platform::WindowHandle Create();
  // The window's handle; 0 before creation and after destruction.
  platform::WindowHandle Handle() const { return handle_; }

  // The dispatch rule: a handler that leaves `handled` set decides the result
  // alone; otherwise the frame handling and then the default procedure see it.
  std::intptr_t WindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;

 protected:
  // The message map. Returns true when `message` has a handler, which was
  // called with `handled` set and put its result into `result`.
  virtual bool ProcessWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                                    std::intptr_t& result, bool& handled) = 0;

  platform::WindowSystem& windows_;

 private:
  platform::WindowHandle handle_ = 0;
};

}  // namespace initap
