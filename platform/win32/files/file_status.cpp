#include "platform/win32/files/file_status.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {

FileStatus StatusOfError(std::uint32_t error) {
  switch (error) {
    case ERROR_SUCCESS: return FileStatus::Ok;
    case ERROR_FILE_NOT_FOUND: return FileStatus::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return FileStatus::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return FileStatus::AccessDenied;
    case ERROR_NO_MORE_FILES: return FileStatus::NoMoreFiles;
    case ERROR_WRITE_FAULT: return FileStatus::WriteFault;
    case ERROR_FILE_EXISTS: return FileStatus::FileExists;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE: return FileStatus::InvalidName;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileStatus::DiskFull;
    case ERROR_DIR_NOT_EMPTY: return FileStatus::DirectoryNotEmpty;
    case ERROR_ALREADY_EXISTS: return FileStatus::AlreadyExists;
    case ERROR_FILE_TOO_LARGE: return FileStatus::FileTooLarge;
    default: return FileStatus::Failed;
  }
}

FileStatus LastStatus() { return StatusOfError(GetLastError()); }

}  // namespace platform::win32
