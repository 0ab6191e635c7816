#include "app/program_entry.h"

#include <memory>

#include "app/init_ap.h"
#include "app/message_loop.h"

namespace initap {

int ProgramEntry(platform::Platform& platform, int showCommand) {
  // The host's XML component and controls need no initialisation of their own.
  return Run(platform, showCommand);
}

int Run(platform::Platform& platform, int showCommand) {
  MessageLoop loop(platform.windows);
  auto app = std::make_unique<Init_AP>(platform);
  app->messageLoop = &loop;
  const platform::WindowHandle window = app->Create();
  int result = 0;
  if (window != 0) {
    platform.windows.ShowWindow(window, showCommand);
    result = loop.Run();
  }
  app->messageLoop = nullptr;
  // A worker still running (the window was closed from outside) keeps using
  // the record until the process ends, so it must outlive this function.
  if (app->workerThread && !app->workerThread->Wait(0)) app.release();
  return result;
}

}  // namespace initap
