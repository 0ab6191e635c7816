#include "platform/host/files/recording_files.h"

#include <algorithm>

#include "platform/host/files/device_path.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// A description is an update.xml directly in a volume.
bool IsDescription(std::wstring_view key) {
  return key.ends_with(L"\\UPDATE.XML") && std::count(key.begin(), key.end(), L'\\') == 2;
}

class CountedAppendStream final : public AppendStream {
 public:
  CountedAppendStream(std::unique_ptr<AppendStream> stream, ChangeReport& report)
      : stream_(std::move(stream)), report_(report) {}
  FileStatus Write(std::wstring_view text) override {
    const FileStatus status = stream_->Write(text);
    if (status == FileStatus::Ok) pending_ += ToUtf8(text).size();
    return status;
  }
  FileStatus Close() override {
    const FileStatus status = stream_->Close();
    if (status == FileStatus::Ok) report_.BytesWritten(pending_);
    pending_ = 0;
    return status;
  }
  ~CountedAppendStream() override { Close(); }

 private:
  std::unique_ptr<AppendStream> stream_;
  ChangeReport& report_;
  std::uint64_t pending_ = 0;
};

class CountedWriteStream final : public WriteStream {
 public:
  CountedWriteStream(std::unique_ptr<WriteStream> stream, ChangeReport& report)
      : stream_(std::move(stream)), report_(report) {}
  FileStatus Write(std::string_view bytes) override {
    const FileStatus status = stream_->Write(bytes);
    if (status == FileStatus::Ok) report_.BytesWritten(bytes.size());
    return status;
  }
  FileStatus Close() override { return stream_->Close(); }

 private:
  std::unique_ptr<WriteStream> stream_;
  ChangeReport& report_;
};

}  // namespace

EntryKind RecordingFileSystem::KindOf(std::wstring_view path, std::uint64_t* size) {
  FindData found;
  std::unique_ptr<FindHandle> listing;
  if (files_.FindFirst(path, found, listing) != FileStatus::Ok) return EntryKind::None;
  if (size != nullptr) *size = found.size;
  return (found.attributes & kDirectoryAttribute) != 0 ? EntryKind::Folder : EntryKind::File;
}

std::wstring RecordingFileSystem::Touch(std::wstring_view path) {
  std::wstring key = ComparableDevicePath(path);
  if (!key.empty() && !report_.Knows(key)) report_.Before(key, KindOf(path));
  return key;
}

FileStatus RecordingFileSystem::CreateDirectory(std::wstring_view path) {
  const std::wstring key = Touch(path);
  const FileStatus status = files_.CreateDirectory(path);
  if (status == FileStatus::Ok) report_.Now(key, path, EntryKind::Folder);
  return status;
}

FileStatus RecordingFileSystem::RemoveDirectory(std::wstring_view path) {
  const std::wstring key = Touch(path);
  const FileStatus status = files_.RemoveDirectory(path);
  if (status == FileStatus::Ok) report_.Now(key, path, EntryKind::None);
  return status;
}

FileStatus RecordingFileSystem::DeleteFile(std::wstring_view path) {
  const std::wstring key = Touch(path);
  const FileStatus status = files_.DeleteFile(path);
  if (status != FileStatus::Ok) return status;
  report_.Now(key, path, EntryKind::None);
  if (IsDescription(key)) report_.DescriptionDeleted(path);
  return status;
}

FileStatus RecordingFileSystem::CopyFile(std::wstring_view source, std::wstring_view destination,
                                         bool failIfExists) {
  const std::wstring key = Touch(destination);
  std::uint64_t size = 0;
  KindOf(source, &size);
  const FileStatus status = files_.CopyFile(source, destination, failIfExists);
  if (status != FileStatus::Ok) return status;
  report_.Now(key, destination, EntryKind::File);
  report_.BytesWritten(size);
  if (IsDescription(key) && IsDescription(ComparableDevicePath(source))) report_.DescriptionCopied(source, destination);
  return status;
}

FileStatus RecordingFileSystem::MoveFile(std::wstring_view source, std::wstring_view destination) {
  const std::wstring from = Touch(source);
  const std::wstring to = Touch(destination);
  const FileStatus status = files_.MoveFile(source, destination);
  if (status != FileStatus::Ok) return status;
  const EntryKind moved = KindOf(destination);
  if (from != to) report_.Now(from, source, EntryKind::None);
  report_.Now(to, destination, moved);
  return status;
}

FileStatus RecordingFileSystem::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  const std::wstring key = Touch(path);
  const FileStatus status = files_.OpenAppend(path, stream);
  if (status != FileStatus::Ok) return status;
  report_.Now(key, path, EntryKind::File, true);
  stream = std::make_unique<CountedAppendStream>(std::move(stream), report_);
  return status;
}

FileStatus RecordingFileSystem::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  const std::wstring key = Touch(path);
  const FileStatus status = files_.CreateForWrite(path, stream);
  if (status != FileStatus::Ok) return status;
  report_.Now(key, path, EntryKind::File);
  stream = std::make_unique<CountedWriteStream>(std::move(stream), report_);
  return status;
}

FileStatus RecordingFileSystem::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  const std::wstring key = Touch(path);
  const FileStatus status = files_.ReplaceFile(path, bytes);
  if (status != FileStatus::Ok) return status;
  report_.Now(key, path, EntryKind::File);
  report_.BytesWritten(bytes.size());
  if (IsDescription(key)) report_.DescriptionMarked(path);
  return status;
}

}  // namespace platform::host
