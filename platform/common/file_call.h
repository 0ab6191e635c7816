// One request made of the file system service, as an observer sees it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/filesystem.h"

namespace platform {

enum class FileCallKind {
  Test,
  Find,
  Read,
  CreateFolder,
  RemoveFolder,
  Copy,
  Move,
  Delete,
  Append,
  Create,
  Replace,
  Flush
};

struct FileCall {
  FileCallKind kind = FileCallKind::Test;
  std::wstring path;                   // the source of a copy or move, the pattern of a find
  std::wstring second;                 // the destination of a copy or move
  FileStatus status = FileStatus::Ok;  // the service's answer; Ok before it answered
  std::uint64_t bytes = 0;             // what a Replace was given
};

}  // namespace platform
