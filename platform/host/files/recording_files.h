// The file system as the system sees it, noting in the change report what
// each call changed: what a path held before its first change, and after.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/host/report/change_report.h"

namespace platform::host {

class RecordingFileSystem final : public FileSystem {
 public:
  RecordingFileSystem(FileSystem& files, ChangeReport& report) : files_(files), report_(report) {}

  FileStatus TestOpenForRead(std::wstring_view path) override { return files_.TestOpenForRead(path); }
  FileStatus FindFirst(std::wstring_view pattern, FindData& first, std::unique_ptr<FindHandle>& listing) override {
    return files_.FindFirst(pattern, first, listing);
  }
  FileStatus CreateDirectory(std::wstring_view path) override;
  FileStatus RemoveDirectory(std::wstring_view path) override;
  FileStatus CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) override;
  FileStatus MoveFile(std::wstring_view source, std::wstring_view destination) override;
  FileStatus DeleteFile(std::wstring_view path) override;
  FileStatus OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) override;
  FileStatus CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) override;
  FileStatus ReadFile(std::wstring_view path, std::string& bytes) override { return files_.ReadFile(path, bytes); }
  FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) override;
  FileStatus FlushVolume(std::wstring_view path) override { return files_.FlushVolume(path); }

 private:
  // The path as the report knows it, after noting what it holds when it is new there.
  std::string Touch(std::wstring_view path);
  // `path` now holds `kind`, unless it is nothing the report knows.
  void Note(const std::string& path, EntryKind kind, bool appended = false);
  // What `path` holds now; `size` receives a file's size.
  EntryKind KindOf(std::wstring_view path, std::uint64_t* size = nullptr);

  FileSystem& files_;
  ChangeReport& report_;
};

}  // namespace platform::host
