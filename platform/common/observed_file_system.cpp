#include "platform/common/observed_file_system.h"

namespace platform {

namespace {

// Keeps what is written and tells it at Close, once it is on the volume.
class ObservedAppendStream final : public AppendStream {
 public:
  ObservedAppendStream(std::unique_ptr<AppendStream> stream, std::wstring path,
                       const std::vector<FileListener*>& listeners)
      : stream_(std::move(stream)), path_(std::move(path)), listeners_(listeners) {}
  ~ObservedAppendStream() override { Close(); }

  FileStatus Write(std::wstring_view text) override {
    const FileStatus status = stream_->Write(text);
    if (status == FileStatus::Ok) written_ += text;
    return status;
  }
  FileStatus Close() override {
    const FileStatus status = stream_->Close();
    if (status == FileStatus::Ok && !written_.empty()) {
      for (FileListener* listener : listeners_) listener->Appended(path_, written_);
    }
    written_.clear();
    return status;
  }

 private:
  std::unique_ptr<AppendStream> stream_;
  std::wstring path_;
  const std::vector<FileListener*>& listeners_;
  std::wstring written_;
};

class ObservedWriteStream final : public WriteStream {
 public:
  ObservedWriteStream(std::unique_ptr<WriteStream> stream, std::wstring path,
                      const std::vector<FileListener*>& listeners)
      : stream_(std::move(stream)), path_(std::move(path)), listeners_(listeners) {}

  FileStatus Write(std::string_view bytes) override {
    const FileStatus status = stream_->Write(bytes);
    if (status == FileStatus::Ok) {
      for (FileListener* listener : listeners_) listener->Written(path_, bytes.size());
    }
    return status;
  }
  FileStatus Close() override { return stream_->Close(); }

 private:
  std::unique_ptr<WriteStream> stream_;
  std::wstring path_;
  const std::vector<FileListener*>& listeners_;
};

FileCall Call(FileCallKind kind, std::wstring_view path, std::wstring_view second = {}) {
  return FileCall{kind, std::wstring(path), std::wstring(second), FileStatus::Ok, 0};
}

}  // namespace

template <typename Action>
FileStatus ObservedFileSystem::Observe(FileCall call, Action action) {
  for (FileListener* listener : listeners_) listener->Before(call);
  call.status = action();
  for (FileListener* listener : listeners_) listener->After(call);
  return call.status;
}

FileStatus ObservedFileSystem::TestOpenForRead(std::wstring_view path) {
  return Observe(Call(FileCallKind::Test, path), [&] { return Below().TestOpenForRead(path); });
}

FileStatus ObservedFileSystem::FindFirst(std::wstring_view pattern, FindData& first,
                                         std::unique_ptr<FindHandle>& listing) {
  return Observe(Call(FileCallKind::Find, pattern), [&] { return Below().FindFirst(pattern, first, listing); });
}

FileStatus ObservedFileSystem::CreateDirectory(std::wstring_view path) {
  return Observe(Call(FileCallKind::CreateFolder, path), [&] { return Below().CreateDirectory(path); });
}

FileStatus ObservedFileSystem::RemoveDirectory(std::wstring_view path) {
  return Observe(Call(FileCallKind::RemoveFolder, path), [&] { return Below().RemoveDirectory(path); });
}

FileStatus ObservedFileSystem::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  return Observe(Call(FileCallKind::Copy, source, destination),
                 [&] { return Below().CopyFile(source, destination, failIfExists); });
}

FileStatus ObservedFileSystem::MoveFile(std::wstring_view source, std::wstring_view destination) {
  return Observe(Call(FileCallKind::Move, source, destination), [&] { return Below().MoveFile(source, destination); });
}

FileStatus ObservedFileSystem::DeleteFile(std::wstring_view path) {
  return Observe(Call(FileCallKind::Delete, path), [&] { return Below().DeleteFile(path); });
}

template <typename Observed, typename Stream, typename Open>
FileStatus ObservedFileSystem::OpenStream(FileCallKind kind, std::wstring_view path, std::unique_ptr<Stream>& stream,
                                          Open open) {
  return Observe(Call(kind, path), [&] {
    const FileStatus status = open();
    if (status == FileStatus::Ok)
      stream = std::make_unique<Observed>(std::move(stream), std::wstring(path), listeners_);
    return status;
  });
}

FileStatus ObservedFileSystem::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  return OpenStream<ObservedAppendStream>(FileCallKind::Append, path, stream,
                                          [&] { return Below().OpenAppend(path, stream); });
}

FileStatus ObservedFileSystem::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  return OpenStream<ObservedWriteStream>(FileCallKind::Create, path, stream,
                                         [&] { return Below().CreateForWrite(path, stream); });
}

FileStatus ObservedFileSystem::ReadFile(std::wstring_view path, std::string& bytes) {
  return Observe(Call(FileCallKind::Read, path), [&] { return Below().ReadFile(path, bytes); });
}

FileStatus ObservedFileSystem::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  FileCall call = Call(FileCallKind::Replace, path);
  call.bytes = bytes.size();
  return Observe(std::move(call), [&] { return Below().ReplaceFile(path, bytes); });
}

FileStatus ObservedFileSystem::FlushVolume(std::wstring_view path) {
  return Observe(Call(FileCallKind::Flush, path), [&] { return Below().FlushVolume(path); });
}

}  // namespace platform
