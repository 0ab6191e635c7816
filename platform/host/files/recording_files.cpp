#include "platform/host/files/recording_files.h"

#include <algorithm>

#include "platform/common/name_case.h"
#include "platform/common/update_descriptions.h"
#include "platform/host/files/device_path.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// "\Folder\Name" with the names as written; empty for the root, or for a
// path that is no device path, which nothing can change.
std::string WrittenPath(std::wstring_view path) {
  DevicePath parsed;
  if (ParseDevicePath(path, parsed) != FileStatus::Ok) return {};
  std::string joined;
  for (const std::string& name : parsed.names) joined += "\\" + name;
  return joined;
}

// A description is an update.xml directly in a volume.
bool IsDescription(const std::string& path) {
  return std::count(path.begin(), path.end(), '\\') == 2 &&
         FoldName(FromUtf8(path)).ends_with(L"\\" + FoldName(kDescriptionName));
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

std::string RecordingFileSystem::Touch(std::wstring_view path) {
  std::string written = WrittenPath(path);
  if (!written.empty() && !report_.Knows(written)) report_.Before(written, KindOf(path));
  return written;
}

void RecordingFileSystem::Note(const std::string& path, EntryKind kind, bool appended) {
  if (!path.empty()) report_.Now(path, kind, appended);
}

FileStatus RecordingFileSystem::CreateDirectory(std::wstring_view path) {
  const std::string key = Touch(path);
  const FileStatus status = files_.CreateDirectory(path);
  if (status == FileStatus::Ok) Note(key, EntryKind::Folder);
  return status;
}

FileStatus RecordingFileSystem::RemoveDirectory(std::wstring_view path) {
  const std::string key = Touch(path);
  const FileStatus status = files_.RemoveDirectory(path);
  if (status == FileStatus::Ok) Note(key, EntryKind::None);
  return status;
}

FileStatus RecordingFileSystem::DeleteFile(std::wstring_view path) {
  const std::string key = Touch(path);
  const FileStatus status = files_.DeleteFile(path);
  if (status != FileStatus::Ok) return status;
  Note(key, EntryKind::None);
  if (IsDescription(key)) report_.DescriptionDeleted(path);
  return status;
}

FileStatus RecordingFileSystem::CopyFile(std::wstring_view source, std::wstring_view destination,
                                         bool failIfExists) {
  const std::string key = Touch(destination);
  std::uint64_t size = 0;
  KindOf(source, &size);
  const FileStatus status = files_.CopyFile(source, destination, failIfExists);
  if (status != FileStatus::Ok) return status;
  Note(key, EntryKind::File);
  report_.BytesWritten(size);
  if (IsDescription(key) && IsDescription(WrittenPath(source))) report_.DescriptionCopied(source, destination);
  return status;
}

FileStatus RecordingFileSystem::MoveFile(std::wstring_view source, std::wstring_view destination) {
  const std::string from = Touch(source);
  const std::string to = Touch(destination);
  const FileStatus status = files_.MoveFile(source, destination);
  if (status != FileStatus::Ok) return status;
  const EntryKind moved = KindOf(destination);
  if (FoldName(FromUtf8(from)) != FoldName(FromUtf8(to))) Note(from, EntryKind::None);
  Note(to, moved);
  return status;
}

FileStatus RecordingFileSystem::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  const std::string key = Touch(path);
  const FileStatus status = files_.OpenAppend(path, stream);
  if (status != FileStatus::Ok) return status;
  Note(key, EntryKind::File, true);
  stream = std::make_unique<CountedAppendStream>(std::move(stream), report_);
  return status;
}

FileStatus RecordingFileSystem::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  const std::string key = Touch(path);
  const FileStatus status = files_.CreateForWrite(path, stream);
  if (status != FileStatus::Ok) return status;
  Note(key, EntryKind::File);
  stream = std::make_unique<CountedWriteStream>(std::move(stream), report_);
  return status;
}

FileStatus RecordingFileSystem::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  const std::string key = Touch(path);
  const FileStatus status = files_.ReplaceFile(path, bytes);
  if (status != FileStatus::Ok) return status;
  Note(key, EntryKind::File);
  report_.BytesWritten(bytes.size());
  if (IsDescription(key)) report_.DescriptionMarked(path);
  return status;
}

}  // namespace platform::host
