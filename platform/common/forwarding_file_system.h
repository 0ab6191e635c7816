// A file system that hands every call to the one below it. A wrapper derives
// from it and overrides only the calls it changes, so that a new call of the
// service is written here once and reaches every wrapper.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace platform {

class ForwardingFileSystem : public FileSystem {
 public:
  // `below` must outlive this file system.
  explicit ForwardingFileSystem(FileSystem& below) : below_(below) {}

  FileStatus TestOpenForRead(std::wstring_view path) override { return below_.TestOpenForRead(path); }
  FileStatus FindFirst(std::wstring_view pattern, FindData& first, std::unique_ptr<FindHandle>& listing) override {
    return below_.FindFirst(pattern, first, listing);
  }
  FileStatus CreateDirectory(std::wstring_view path) override { return below_.CreateDirectory(path); }
  FileStatus RemoveDirectory(std::wstring_view path) override { return below_.RemoveDirectory(path); }
  FileStatus CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) override {
    return below_.CopyFile(source, destination, failIfExists);
  }
  FileStatus MoveFile(std::wstring_view source, std::wstring_view destination) override {
    return below_.MoveFile(source, destination);
  }
  FileStatus DeleteFile(std::wstring_view path) override { return below_.DeleteFile(path); }
  FileStatus OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) override {
    return below_.OpenAppend(path, stream);
  }
  FileStatus CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) override {
    return below_.CreateForWrite(path, stream);
  }
  FileStatus ReadFile(std::wstring_view path, std::string& bytes) override { return below_.ReadFile(path, bytes); }
  FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) override {
    return below_.ReplaceFile(path, bytes);
  }
  FileStatus FlushVolume(std::wstring_view path) override { return below_.FlushVolume(path); }

 protected:
  // The file system this one stands on.
  FileSystem& Below() const { return below_; }

 private:
  FileSystem& below_;
};

}  // namespace platform
