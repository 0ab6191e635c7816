// Copies and replacements: written beside the destination under a hidden
// name and renamed into place, so the destination's name never shows a
// half-written file. (CopyFileW by itself writes in place.)
#include "platform/win32/files/file_status.h"
#include "platform/win32/files/hidden_name.h"
#include "platform/win32/files/win32_files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int kReplaceAttempts = 200;
constexpr DWORD kReplacePauseMs = 5;

// Removes the hidden file unless it was put in place.
class Beside {
 public:
  explicit Beside(std::wstring path) : path_(std::move(path)) {}
  ~Beside() {
    if (!placed_) DeleteFileW(path_.c_str());
  }
  Beside(const Beside&) = delete;
  Beside& operator=(const Beside&) = delete;

  const std::wstring& Path() const { return path_; }
  FileStatus PutInPlace(const std::wstring& target, bool replace) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    // Windows refuses to replace a file somebody has open; readers hold it briefly.
    for (int attempt = 0;; ++attempt) {
      if (MoveFileExW(path_.c_str(), target.c_str(), flags)) break;
      const DWORD error = GetLastError();
      if ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) && attempt < kReplaceAttempts) {
        Sleep(kReplacePauseMs);
        continue;
      }
      return error == ERROR_ALREADY_EXISTS ? FileStatus::FileExists : StatusOfError(error);
    }
    placed_ = true;
    return FileStatus::Ok;
  }

 private:
  std::wstring path_;
  bool placed_ = false;
};

}  // namespace

FileStatus Win32FileSystem::PrepareDestination(std::wstring_view path, std::wstring& target, bool& exists) const {
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  target = Below(names);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(target.c_str(), &found);
  exists = search != INVALID_HANDLE_VALUE;
  if (!exists) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return StatusOfError(error);
    return names.namesFolder ? FileStatus::InvalidName : FileStatus::Ok;
  }
  FindClose(search);
  if (names.namesFolder || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return FileStatus::AccessDenied;
  // The file keeps the name it has, whatever case the path gives it.
  target = Below(names.WithLast(found.cFileName));
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  DeviceNames from;
  if (const FileStatus status = ParseWindowsDeviceNames(source, from); status != FileStatus::Ok) return status;
  if (from.IsRoot()) return FileStatus::AccessDenied;
  const std::wstring sourcePath = Below(from);
  if (!UniqueHandle(CreateFileW(sourcePath.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr))) {
    return LastStatus();
  }

  std::wstring target;
  bool exists = false;
  if (const FileStatus status = PrepareDestination(destination, target, exists); status != FileStatus::Ok) {
    return status;
  }
  if (exists && failIfExists) return FileStatus::FileExists;
  // A file copied onto itself stays as it is: it is open for reading.
  if (exists && SameEntry(sourcePath, target)) return FileStatus::AccessDenied;

  Beside copy(HiddenBeside(target));
  if (!CopyFileW(sourcePath.c_str(), copy.Path().c_str(), FALSE)) return LastStatus();
  {
    // The name must never reach the volume ahead of the data, or a power cut
    // leaves it on an empty file.
    UniqueHandle written(CreateFileW(copy.Path().c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!written || !FlushFileBuffers(written.Get())) return LastStatus();
  }
  return copy.PutInPlace(target, !failIfExists);
}

FileStatus Win32FileSystem::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  std::wstring target;
  bool exists = false;
  if (const FileStatus status = PrepareDestination(path, target, exists); status != FileStatus::Ok) return status;
  Beside replacement(HiddenBeside(target));
  {
    UniqueHandle file(CreateFileW(replacement.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastStatus();
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30)),
                     &written, nullptr)) {
        return LastStatus();
      }
      bytes.remove_prefix(written);
    }
    if (!FlushFileBuffers(file.Get())) return LastStatus();
    if (!file.Close()) return LastStatus();
  }
  return replacement.PutInPlace(target, true);
}

}  // namespace platform::win32
