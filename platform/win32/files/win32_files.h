// The device's file system on the Windows API: device paths lead below the
// device's root folder (a drive mapped to DEVICE/root), never outside it.
// Names match without regard to letter case, as Windows matches them.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/win32/device_folder.h"
#include "platform/win32/files/device_names.h"

namespace platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  // None, with a one-line `error`, when the root folder is missing or a link
  // inside it leads out of it.
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

  // Each text appended to the file at `devicePath` is handed to `echo` too,
  // as written, once it is on the volume.
  void SetAppendEcho(std::wstring_view devicePath, std::function<void(std::string_view)> echo);

  // The Windows path a device path leads to; InvalidName and the like when it leads nowhere.
  FileStatus WindowsPathOf(std::wstring_view devicePath, std::wstring& path) const;

 private:
  explicit Win32FileSystem(std::wstring root) : root_(std::move(root)) {}

  // Where a file is about to be put in place: the Windows path of the name it
  // gets (an existing file's own spelling) and whether it exists.
  FileStatus PrepareDestination(std::wstring_view path, std::wstring& target, bool& exists) const;

  std::wstring root_;
  std::function<void(std::string_view)> EchoFor(const std::wstring& path);

  // One append at a time, so that lines from two threads never mix.
  std::mutex appendLock_;
  std::mutex echoLock_;
  std::wstring echoPath_;
  std::function<void(std::string_view)> echo_;
};

}  // namespace platform::win32
