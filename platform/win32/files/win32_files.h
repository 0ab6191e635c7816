// The device's file system on the Windows API: device paths lead below the
// device's root folder (a drive mapped to DEVICE/root), or below the folder
// mounted in place of their volume, never outside them.
// Names match without regard to letter case, as Windows matches them.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/win32/device_folder.h"
#include "platform/win32/files/device_names.h"
#include "platform/win32/files/seen_names.h"

namespace platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  // None, with a one-line `error`, when the root folder or a mounted one is
  // missing, a volume is mounted twice or a link inside leads out.
  static std::unique_ptr<Win32FileSystem> Open(const DeviceFolder& device, std::string& error);

  FileStatus TestOpenForRead(std::wstring_view path) override;
  FileStatus FindFirst(std::wstring_view pattern, FindData& first, std::unique_ptr<FindHandle>& listing) override;
  FileStatus CreateDirectory(std::wstring_view path) override;
  FileStatus RemoveDirectory(std::wstring_view path) override;
  FileStatus CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) override;
  FileStatus MoveFile(std::wstring_view source, std::wstring_view destination) override;
  FileStatus DeleteFile(std::wstring_view path) override;
  FileStatus OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) override;
  FileStatus CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) override;
  FileStatus ReadFile(std::wstring_view path, std::string& bytes) override;
  FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) override;
  FileStatus FlushVolume(std::wstring_view path) override;

  // The Windows path a device path leads to; InvalidName and the like when it leads nowhere.
  FileStatus WindowsPathOf(std::wstring_view devicePath, std::wstring& path) const;

 private:
  struct MountedVolume {
    std::wstring name;  // as given
    std::wstring folded;
    std::wstring folder;  // without a trailing separator
  };

  Win32FileSystem(std::wstring root, std::vector<MountedVolume> volumes)
      : root_(std::move(root)), volumes_(std::move(volumes)) {}

  // The Windows path of `names`: below the mounted folder when their first
  // name is a mounted volume, below the root otherwise; each name spelled
  // as the entry the device sees.
  std::wstring Below(const DeviceNames& names) const;
  // The root or a volume's folder: a mount point, which cannot be removed.
  bool IsMountPoint(const DeviceNames& names) const;
  // The mounted volume `names` starts with, else null.
  const MountedVolume* MountedFirst(const DeviceNames& names) const;
  // The mounted volume `names` is exactly, else null.
  const MountedVolume* VolumeItself(const DeviceNames& names) const;

  // Where a file is about to be put in place: the Windows path of the name it
  // gets (an existing file's own spelling) and whether it exists.
  FileStatus PrepareDestination(std::wstring_view path, std::wstring& target, bool& exists) const;

  std::wstring root_;
  std::vector<MountedVolume> volumes_;
  mutable SeenNames seen_;

  // One append at a time, so that lines from two threads never mix.
  std::mutex appendLock_;
};

}  // namespace platform::win32
