#include "platform/win32/files/win32_files.h"

#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"

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

std::wstring WithoutTrailingSeparator(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::unique_ptr<Win32FileSystem> Win32FileSystem::Open(const DeviceFolder& device, std::string& error) {
  std::wstring root = WithoutTrailingSeparator(device.root);
  if (!IsFolder(root + L"\\")) {
    error = "no folder root\\ in " + ToUtf8(device.folder);
    return nullptr;
  }
  std::vector<MountedVolume> volumes;
  for (const Mount& mount : device.mounts) {
    MountedVolume volume{mount.volume, FoldName(mount.volume), WithoutTrailingSeparator(mount.folder)};
    DeviceNames names;
    if (ParseWindowsDeviceNames(mount.volume, names) != FileStatus::Ok || names.names.size() != 1 ||
        names.names.front() != mount.volume) {
      error = "mount volume \"" + ToUtf8(mount.volume) + "\" is not a volume name";
      return nullptr;
    }
    for (const MountedVolume& other : volumes) {
      if (other.folded == volume.folded) {
        error = "volume \"" + ToUtf8(mount.volume) + "\" is mounted twice";
        return nullptr;
      }
    }
    if (!IsFolder(volume.folder + L"\\")) {
      error = "mount folder " + ToUtf8(mount.folder) + " is not a folder";
      return nullptr;
    }
    volumes.push_back(std::move(volume));
  }
  // Links inside each folder may lead only inside that same folder.
  std::vector<std::wstring> folders{root};
  for (const MountedVolume& volume : volumes) folders.push_back(volume.folder);
  for (const std::wstring& folder : folders) {
    if (const std::optional<std::wstring> leaving = LinkLeadingOut(folder)) {
      error = "the link " + ToUtf8(*leaving) + " leads out of the device";
      return nullptr;
    }
  }
  return std::unique_ptr<Win32FileSystem>(new Win32FileSystem(std::move(root), std::move(volumes)));
}

const Win32FileSystem::MountedVolume* Win32FileSystem::MountedFirst(const DeviceNames& names) const {
  if (names.IsRoot()) return nullptr;
  const std::wstring folded = FoldName(names.names.front());
  for (const MountedVolume& volume : volumes_) {
    if (volume.folded == folded) return &volume;
  }
  return nullptr;
}

const Win32FileSystem::MountedVolume* Win32FileSystem::VolumeItself(const DeviceNames& names) const {
  return names.names.size() == 1 ? MountedFirst(names) : nullptr;
}

std::wstring Win32FileSystem::Below(const DeviceNames& names) const {
  const MountedVolume* volume = MountedFirst(names);
  std::wstring path = volume != nullptr ? volume->folder : root_;
  for (std::size_t i = volume != nullptr ? 1 : 0; i < names.names.size(); ++i) {
    path += L"\\" + seen_.Spelled(path, names.names[i]);
  }
  return path;
}

bool Win32FileSystem::IsMountPoint(const DeviceNames& names) const {
  return names.IsRoot() || (names.names.size() == 1 && IsVolumeName(names.names.front()));
}

FileStatus Win32FileSystem::WindowsPathOf(std::wstring_view devicePath, std::wstring& path) const {
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(devicePath, names); status != FileStatus::Ok) return status;
  path = Below(names);
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::TestOpenForRead(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  UniqueHandle file(CreateFileW(Below(names).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::ReadFile(std::wstring_view path, std::string& bytes) {
  bytes.clear();
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  UniqueHandle file(CreateFileW(Below(names).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
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
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot() || VolumeItself(names)) return FileStatus::AlreadyExists;
  return CreateDirectoryW(Below(names).c_str(), nullptr) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::RemoveDirectory(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (IsMountPoint(names)) return FileStatus::AccessDenied;
  return RemoveDirectoryW(Below(names).c_str()) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::DeleteFile(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  return DeleteFileW(Below(names).c_str()) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::FlushVolume(std::wstring_view path) {
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::PathNotFound;
  // A copy's data is flushed before its name goes into place; what is left
  // is the volume's folders and names, which a flush of its folder makes durable.
  DeviceNames volume;
  volume.names.push_back(names.names.front());
  // A mounted drive's folder is its root, "G:\\", not "G:".
  const std::wstring folderPath = VolumeItself(volume) ? Below(volume) + L"\\" : Below(volume);
  UniqueHandle folder(CreateFileW(folderPath.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return LastStatus();
  return FlushFileBuffers(folder.Get()) ? FileStatus::Ok : LastStatus();
}

FileStatus Win32FileSystem::MoveFile(std::wstring_view source, std::wstring_view destination) {
  DeviceNames from, to;
  if (const FileStatus status = ParseWindowsDeviceNames(source, from); status != FileStatus::Ok) return status;
  if (IsMountPoint(from)) return FileStatus::AccessDenied;
  if (const FileStatus status = ParseWindowsDeviceNames(destination, to); status != FileStatus::Ok) return status;
  if (to.IsRoot() || VolumeItself(to)) return FileStatus::AlreadyExists;
  const std::wstring fromPath = Below(from);
  // The destination's last name as written: a move may change its case.
  DeviceNames toFolder = to;
  toFolder.names.pop_back();
  const std::wstring toPath = Below(toFolder) + L"\\" + to.names.back();
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
