#include "app/launch_program.h"

#include "app/init_ap.h"

namespace initap {

bool LaunchProgram(Init_AP& app, std::wstring_view file) { return app.platform.shell.Execute(file); }

}  // namespace initap
