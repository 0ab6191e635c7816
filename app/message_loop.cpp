#include "app/message_loop.h"

#include <tuple>

namespace initap {

int MessageLoop::Run() {
  platform::Message message;
  for (;;) {
    for (IdleHandler* handler : idleHandlers_) handler->OnIdle();
    if (!windows_.GetMessage(message)) return static_cast<int>(message.wParam);
    bool taken = false;
    for (MessageFilter* filter : filters_) taken = taken || filter->PreTranslateMessage(message);
    if (!taken) std::ignore = windows_.DispatchMessage(message);
  }
}

}  // namespace initap
