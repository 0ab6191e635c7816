// One request the system made of the file system service, as a watcher sees it.
#pragma once

#include <string>

#include "platform/filesystem.h"

namespace platform::host {

enum class FileCallKind { Test, Find, Read, CreateFolder, RemoveFolder, Copy, Move, Delete, Other };

struct FileCall {
  FileCallKind kind = FileCallKind::Other;
  std::wstring path;    // the source of a copy or move
  std::wstring second;  // the destination of a copy or move
  FileStatus status = FileStatus::Ok;
};

}  // namespace platform::host
