#include "display/update_log.h"

#include <memory>
#include <mutex>
#include <tuple>

#include "app/init_ap.h"
#include "platform/common/wide_units.h"

namespace initap {

bool WriteLogLine(Init_AP& app, std::wstring_view message) {
  // One lock around open, writes and close keeps the two threads' lines whole.
  std::lock_guard lock(app.logLock);
  std::unique_ptr<platform::AppendStream> log;
  if (app.platform.files.OpenAppend(platform::kUpdateLogPath, log) != platform::FileStatus::Ok) return false;
  const platform::SystemTime now = app.platform.kernel.GetLocalTime();
  const std::wstring stamp = FormatText(L"(%02d-%02d %02d:%02d) ", now.month, now.day, now.hour, now.minute);
  std::ignore = log->Write(stamp);
  std::ignore = log->Write(platform::WideUnitsPrefix(message, kLogMessageLimit));
  std::ignore = log->Write(L"\n");
  std::ignore = log->Close();
  return true;
}

}  // namespace initap
