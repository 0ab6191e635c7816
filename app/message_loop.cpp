#include "app/message_loop.h"

namespace initap {

int MessageLoop::Run() {
  platform::Message message;
  for (;;) {
    for (IdleHandler* handler : idleHandlers_) handler->OnIdle();
    if (!windows_.GetMessage(message)) return static_cast<int>(message.wParam);
    bool taken = false;
    for (MessageFilter* filter : filters_) taken = taken || filter->PreTranslateMessage(message);
    if (!taken) windows_.DispatchMessage(message);
  }
}

}  // namespace initap
