#include "platform/win32/boot_plan.h"

#include <filesystem>
#include <fstream>

namespace platform::win32 {

namespace {

const char* KindName(CommandLinePaths::Kind kind) {
  switch (kind) {
    case CommandLinePaths::Kind::kDevice: return "device";
    case CommandLinePaths::Kind::kMountedFolder: return "mount";
    case CommandLinePaths::Kind::kOutputFile: return "file";
    case CommandLinePaths::Kind::kOutputFolder: return "folder";
  }
  return "";
}

}  // namespace

std::string BootPlan::Place(Kind kind, std::string_view given) {
  records_ += KindName(kind);
  records_ += '\0';
  records_ += given;
  records_ += '\0';
  return std::string(given);
}

bool BootPlan::Write(const std::wstring& file) const {
  std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
  out << records_;
  return static_cast<bool>(out.flush());
}

}  // namespace platform::win32
