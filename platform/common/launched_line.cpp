#include "platform/common/launched_line.h"

#include <cstdio>

namespace platform {

std::string LaunchedLine(const SystemTime& now, bool started, std::string_view file) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "(%02d-%02d %02d:%02d) ", now.month % 100, now.day % 100, now.hour % 100,
                now.minute % 100);
  return stamp + std::string(started ? "started " : "failed ") + std::string(file);
}

}  // namespace platform
