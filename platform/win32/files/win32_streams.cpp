// Streams: appended text and binary files written from their start.
#include "platform/win32/files/file_status.h"
#include "platform/win32/files/win32_files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

FileStatus WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30)), &written,
                   nullptr)) {
      return LastStatus();
    }
    bytes.remove_prefix(written);
  }
  return FileStatus::Ok;
}

// Collects what is written, as UTF-8, and hands it to the file in one write
// at Close, at the end of the file.
class Win32AppendStream final : public AppendStream {
 public:
  Win32AppendStream(UniqueHandle file, std::mutex& lock) : file_(std::move(file)), lock_(lock) {}
  ~Win32AppendStream() override { Close(); }

  FileStatus Write(std::wstring_view text) override {
    if (!file_) return FileStatus::WriteFault;
    pending_ += ToUtf8(text);
    return FileStatus::Ok;
  }

  FileStatus Close() override {
    if (!file_) return FileStatus::Ok;
    FileStatus status = FileStatus::Ok;
    {
      std::lock_guard guard(lock_);
      LARGE_INTEGER end{};
      if (!SetFilePointerEx(file_.Get(), end, nullptr, FILE_END)) status = LastStatus();
      if (status == FileStatus::Ok) status = WriteAll(file_.Get(), pending_);
      // The text is on the volume before Close tells that it was written.
      if (status == FileStatus::Ok && !FlushFileBuffers(file_.Get())) status = LastStatus();
    }
    if (!file_.Close() && status == FileStatus::Ok) status = LastStatus();
    pending_.clear();
    return status;
  }

 private:
  UniqueHandle file_;
  std::mutex& lock_;
  std::string pending_;
};

class Win32WriteStream final : public WriteStream {
 public:
  explicit Win32WriteStream(UniqueHandle file) : file_(std::move(file)) {}
  ~Win32WriteStream() override { Close(); }

  FileStatus Write(std::string_view bytes) override {
    if (!file_) return FileStatus::WriteFault;
    return WriteAll(file_.Get(), bytes);
  }
  FileStatus Close() override { return file_.Close() ? FileStatus::Ok : LastStatus(); }

 private:
  UniqueHandle file_;
};

}  // namespace

FileStatus Win32FileSystem::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  stream.reset();
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  UniqueHandle file(CreateFileW(Below(names).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastStatus();
  stream = std::make_unique<Win32AppendStream>(std::move(file), appendLock_);
  return FileStatus::Ok;
}

FileStatus Win32FileSystem::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  stream.reset();
  DeviceNames names;
  if (const FileStatus status = ParseWindowsDeviceNames(path, names); status != FileStatus::Ok) return status;
  if (names.IsRoot()) return FileStatus::AccessDenied;
  UniqueHandle file(CreateFileW(Below(names).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastStatus();
  stream = std::make_unique<Win32WriteStream>(std::move(file));
  return FileStatus::Ok;
}

}  // namespace platform::win32
