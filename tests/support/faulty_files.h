// A file system that passes every call to another one, and fails
// ReplaceFile on cue without touching the file, as a full or read-only
// volume would (tests run as root, which permissions do not stop).
#pragma once

#include "platform/filesystem.h"

namespace initap::test {

class FaultyFiles final : public platform::FileSystem {
 public:
  explicit FaultyFiles(platform::FileSystem& inner) : inner_(inner) {}

  // While set, ReplaceFile gives WriteFault and writes nothing.
  bool failReplace = false;

  platform::FileStatus TestOpenForRead(std::wstring_view path) override { return inner_.TestOpenForRead(path); }
  platform::FileStatus FindFirst(std::wstring_view pattern, platform::FindData& first,
                                 std::unique_ptr<platform::FindHandle>& listing) override {
    return inner_.FindFirst(pattern, first, listing);
  }
  platform::FileStatus CreateDirectory(std::wstring_view path) override { return inner_.CreateDirectory(path); }
  platform::FileStatus RemoveDirectory(std::wstring_view path) override { return inner_.RemoveDirectory(path); }
  platform::FileStatus CopyFile(std::wstring_view source, std::wstring_view destination,
                                bool failIfExists) override {
    return inner_.CopyFile(source, destination, failIfExists);
  }
  platform::FileStatus MoveFile(std::wstring_view source, std::wstring_view destination) override {
    return inner_.MoveFile(source, destination);
  }
  platform::FileStatus DeleteFile(std::wstring_view path) override { return inner_.DeleteFile(path); }
  platform::FileStatus OpenAppend(std::wstring_view path, std::unique_ptr<platform::AppendStream>& stream) override {
    return inner_.OpenAppend(path, stream);
  }
  platform::FileStatus CreateForWrite(std::wstring_view path,
                                      std::unique_ptr<platform::WriteStream>& stream) override {
    return inner_.CreateForWrite(path, stream);
  }
  platform::FileStatus ReadFile(std::wstring_view path, std::string& bytes) override {
    return inner_.ReadFile(path, bytes);
  }
  platform::FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) override {
    if (failReplace) return platform::FileStatus::WriteFault;
    return inner_.ReplaceFile(path, bytes);
  }

 private:
  platform::FileSystem& inner_;
};

}  // namespace initap::test
