#include "platform/win32/files/win32_files.h"

#include "platform/win32/files/file_status.h"
#include "platform/win32/files/folder_links.h"
#include "platform/win32/files/hidden_name.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

// Only descriptions are read whole; anything larger is refused.
constexpr std::uint64_t kMaxReadFile = 64 * 1024 * 1024;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::unique_ptr<Win32FileSystem> Win32FileSystem::Open(const DeviceFolder& device, std::string& error) {
  std::wstring root = device.root;
  while (root.size() > 1 && (root.back() == L'\\' || root.back() == L'/')) root.pop_back();
  if (!IsFolder(root + L"\\")) {
    error = "no folder root\\ in " + ToUtf8(device.folder);
    return nullptr;
  }
  if (const std::optional<std::wstring> leaving = LinkLeadingOut(root)) {
    error = "the link " + ToUtf8(*leaving) + " leads out of the device";
    return nullptr;
  }
  return std::unique_ptr<Win32FileSystem>(new Win32FileSystem(std::move(root)));
}

FileStatus Win32FileSystem::WindowsPathOf(std::wstring_view devicePath, std::wstring& path) const {
  DeviceNames names;
  if (const FileStatus status = ParseDeviceNames(devicePath, names); status != FileStatus::Ok) return status;
  path = names.Below(root_);
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::TestOpenForRead(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  UniqueHandle file(CreateFileW(names.Below(root_).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::ReadFile(std::wstring_view path, std::string& bytes) {
  bytes.clear();
  DeviceNames names;
  if (const FileStatus status = ParseDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  UniqueHandle file(CreateFileW(names.Below(root_).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastStatus();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return LastStatus();
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxReadFile) return FileStatus::FileTooLarge;
  // One byte more than expected shows the end in the same pass; the file may
  // also have grown since it was measured.
  constexpr std::size_t kLimit = kMaxReadFile + 1;
  bytes.resize(static_cast<std::size_t>(size.QuadPart) + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (done == kLimit) break;
      bytes.resize(std::min(kLimit, 2 * done));
    }
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr)) {
      bytes.clear();
      return LastStatus();
    }
    if (read == 0) break;
    done += read;
  }
  if (done > kMaxReadFile) {
    bytes.clear();
    return FileStatus::FileTooLarge;
  }
  bytes.resize(done);
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::CreateDirectory(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AlreadyExists;
  return CreateDirectoryW(names.Below(root_).c_str(), nullptr) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::RemoveDirectory(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  return RemoveDirectoryW(names.Below(root_).c_str()) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::DeleteFile(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  return DeleteFileW(names.Below(root_).c_str()) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::FlushVolume(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::PathNotFound;
  // A copy's data is flushed before its name goes into place; what is left
  // is the volume's folders and names, which a flush of its folder makes durable.
  DeviceNames volume;
  volume.names.push_back(names.names.front());
  UniqueHandle folder(CreateFileW(volume.Below(root_).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return LastStatus();
  return FlushFileBuffers(folder.Get()) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::MoveFile(std::wstring_view source, std::wstring_view destination) {
  DeviceNames from, to;
  if (const FileStatus status = ParseDeviceNames(source, from); status != FileStatus::Ok) return status;
  if (from.IsRoot()) return FileStatus::AccessDenied;
  if (const FileStatus status = ParseDeviceNames(destination, to); status != FileStatus::Ok) return status;
  if (to.IsRoot()) return FileStatus::AlreadyExists;
  const std::wstring fromPath = from.Below(root_);
  const std::wstring toPath = to.Below(root_);
  // Wine keeps the old spelling when a rename changes only letter case:
  // such a rename goes by the hidden name.
  if (fromPath != toPath && SameEntry(fromPath, toPath)) {
    const std::wstring step = HiddenBeside(toPath);
    if (!MoveFileExW(fromPath.c_str(), step.c_str(), 0)) return LastStatus();
    if (MoveFileExW(step.c_str(), toPath.c_str(), 0)) return FileStatus::Ok;
    const FileStatus status = LastStatus();
    MoveFileExW(step.c_str(), fromPath.c_str(), 0);
    return status;
  }
  // Between volumes a file is copied and deleted; a folder is refused, as on the device.
  if (MoveFileExW(fromPath.c_str(), toPath.c_str(), MOVEFILE_COPY_ALLOWED)) return FileStatus::Ok;
  const FileStatus status = LastStatus();
  return status == FileStatus::FileExists ? FileStatus::AlreadyExists : status;
}

}  // namespace platform::win32
