// The file system as the system sees it, with every call told to listeners:
// the one layer through which the card maker's tools and the console watch
// the system's file calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/file_call.h"
#include "platform/common/forwarding_file_system.h"

namespace platform {

// Hears the calls of an ObservedFileSystem, on the calling thread. What it
// wants to look up it asks of the file system below the observed one, so that
// its own lookups are told to nobody.
class FileListener {
 public:
  virtual ~FileListener() = default;
  // `call` is about to reach the file system below.
  virtual void Before(const FileCall& /*call*/) {}
  // The file system below answered `call` with `call.status`.
  virtual void After(const FileCall& /*call*/) {}
  // An append stream on `path` closed, and `text`, all that was written to it, is on the volume.
  virtual void Appended(std::wstring_view /*path*/, std::wstring_view /*text*/) {}
  // A write stream on `path` took `bytes` more bytes.
  virtual void Written(std::wstring_view /*path*/, std::uint64_t /*bytes*/) {}
};

class ObservedFileSystem final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  // `listener` hears every call from now on, after those added before it; it
  // must outlive this file system and every stream it opened. Not while calls run.
  void AddListener(FileListener& listener) { listeners_.push_back(&listener); }

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
  // Tells `call` before `action` runs and after, with the status it gave.
  template <typename Action>
  FileStatus Observe(FileCall call, Action action);
  // Observes the opening of a stream, which `open` puts into `stream`, and wraps it in an `Observed`.
  template <typename Observed, typename Stream, typename Open>
  FileStatus OpenStream(FileCallKind kind, std::wstring_view path, std::unique_ptr<Stream>& stream, Open open);

  std::vector<FileListener*> listeners_;
};

}  // namespace platform
