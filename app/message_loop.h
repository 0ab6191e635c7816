// The message loop of the window's thread, with the message filters and
// idle handlers that windows may register with it.
#pragma once

#include <vector>

#include "platform/window.h"

namespace initap {

class MessageFilter {
 public:
  virtual ~MessageFilter() = default;
  // True when the message was taken and must not be dispatched.
  virtual bool PreTranslateMessage(const platform::Message& message) = 0;
};

class IdleHandler {
 public:
  virtual ~IdleHandler() = default;
  // Called when the queue has run empty.
  virtual bool OnIdle() = 0;
};

class MessageLoop {
 public:
  explicit MessageLoop(platform::WindowSystem& windows) : windows_(windows) {}

  void AddMessageFilter(MessageFilter* filter) { filters_.push_back(filter); }
  void AddIdleHandler(IdleHandler* handler) { idleHandlers_.push_back(handler); }

  // Runs until the quit message and returns its code.
  int Run();

 private:
  platform::WindowSystem& windows_;
  std::vector<MessageFilter*> filters_;
  std::vector<IdleHandler*> idleHandlers_;
};

}  // namespace initap
