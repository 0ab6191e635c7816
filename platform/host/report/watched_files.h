// The file system service as the system sees it, with each request told to
// the card watch after the service answered it.
#pragma once

#include "platform/filesystem.h"
#include "platform/host/report/card_watch.h"

namespace platform::host {

class WatchedFiles final : public FileSystem {
 public:
  // Both must outlive this service.
  WatchedFiles(FileSystem& files, CardWatch& watch) : files_(files), watch_(watch) {}

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

 private:
  FileStatus Told(FileCallKind kind, std::wstring_view path, FileStatus status, std::wstring_view second = {});

  FileSystem& files_;
  CardWatch& watch_;
};

}  // namespace platform::host
