#include "platform/host/report/change_recorder.h"

#include <algorithm>

#include "platform/common/device_names.h"
#include "platform/common/name_case.h"
#include "platform/common/update_descriptions.h"
#include "platform/host/report/path_text.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// A description is an update.xml directly in a volume.
bool IsDescription(const std::string& path) {
  return std::count(path.begin(), path.end(), '\\') == 2 &&
         FoldName(FromUtf8(path)).ends_with(L"\\" + FoldName(kDescriptionName));
}

}  // namespace

EntryKind ChangeRecorder::KindOf(std::wstring_view path, std::uint64_t* size) {
  FindData found;
  std::unique_ptr<FindHandle> listing;
  if (files_.FindFirst(path, found, listing) != FileStatus::Ok) return EntryKind::None;
  if (size != nullptr) *size = found.size;
  return (found.attributes & kDirectoryAttribute) != 0 ? EntryKind::Folder : EntryKind::File;
}

bool ChangeRecorder::SameFiles(std::wstring_view source, std::wstring_view destination) {
  std::uint64_t sourceSize = 0;
  std::uint64_t destinationSize = 0;
  if (KindOf(source, &sourceSize) != EntryKind::File || KindOf(destination, &destinationSize) != EntryKind::File ||
      sourceSize != destinationSize) {
    return false;
  }
  std::string a, b;
  return files_.ReadFile(source, a) == FileStatus::Ok && files_.ReadFile(destination, b) == FileStatus::Ok && a == b;
}

std::string ChangeRecorder::Touch(std::wstring_view path) {
  std::string written = WrittenPath(path);
  if (written.empty() || report_.Knows(written)) return written;
  // Below a folder that was not there before the run nothing was, which a
  // tree copied into a new folder needs to look up for no file.
  const std::size_t folder = written.rfind('\\');
  const bool inNewFolder = folder > 0 && report_.HeldNothing(std::string_view(written).substr(0, folder));
  report_.Before(written, inNewFolder ? EntryKind::None : KindOf(path));
  return written;
}

void ChangeRecorder::Note(std::wstring_view path, EntryKind kind, bool appended) {
  if (const std::string key = WrittenPath(path); !key.empty()) report_.Now(key, kind, appended);
}

void ChangeRecorder::Before(const FileCall& call) {
  switch (call.kind) {
    case FileCallKind::Move:
      Touch(call.path);
      Touch(call.second);
      break;
    case FileCallKind::Copy: {
      Touch(call.second);
      const bool same = SameFiles(call.path, call.second);
      std::lock_guard guard(sameLock_);
      if (same) {
        sameCopies_.insert(ComparableDevicePath(call.second));
      } else {
        sameCopies_.erase(ComparableDevicePath(call.second));
      }
      break;
    }
    case FileCallKind::CreateFolder:
    case FileCallKind::RemoveFolder:
    case FileCallKind::Delete:
    case FileCallKind::Append:
    case FileCallKind::Create:
    case FileCallKind::Replace: Touch(call.path); break;
    default: break;  // reads change nothing
  }
}

void ChangeRecorder::After(const FileCall& call) {
  if (call.status != FileStatus::Ok) return;
  switch (call.kind) {
    case FileCallKind::CreateFolder: Note(call.path, EntryKind::Folder); break;
    case FileCallKind::RemoveFolder: Note(call.path, EntryKind::None); break;
    case FileCallKind::Delete:
      Note(call.path, EntryKind::None);
      if (IsDescription(WrittenPath(call.path))) report_.DescriptionDeleted(call.path);
      break;
    case FileCallKind::Copy: {
      // The copy made is as large as its source: the bytes written. Asked of
      // the copy, which a dry run holds itself, rather than of the source below.
      std::uint64_t size = 0;
      KindOf(call.second, &size);
      Note(call.second, EntryKind::File);
      report_.BytesWritten(size);
      if (std::lock_guard guard(sameLock_); sameCopies_.erase(ComparableDevicePath(call.second)) != 0) {
        report_.SameBytes(WrittenPath(call.second));
      }
      if (IsDescription(WrittenPath(call.second)) && IsDescription(WrittenPath(call.path))) {
        report_.DescriptionCopied(call.path, call.second);
      }
      break;
    }
    case FileCallKind::Move: {
      const EntryKind moved = KindOf(call.second);
      if (ComparableDevicePath(call.path) != ComparableDevicePath(call.second)) Note(call.path, EntryKind::None);
      Note(call.second, moved);
      break;
    }
    case FileCallKind::Append: Note(call.path, EntryKind::File, true); break;
    case FileCallKind::Create: Note(call.path, EntryKind::File); break;
    case FileCallKind::Replace:
      Note(call.path, EntryKind::File);
      report_.BytesWritten(call.bytes);
      if (IsDescription(WrittenPath(call.path))) report_.DescriptionMarked(call.path);
      break;
    default: break;
  }
}

void ChangeRecorder::Appended(std::wstring_view /*path*/, std::wstring_view text) {
  report_.BytesWritten(ToUtf8(text).size());
}

void ChangeRecorder::Written(std::wstring_view /*path*/, std::uint64_t bytes) { report_.BytesWritten(bytes); }

void ChangeRecorder::AfterStart(std::wstring_view file, bool started) { report_.ProgramStart(file, started); }

void ChangeRecorder::BeforeClockSet(const SystemTime& /*utc*/) {
  std::lock_guard guard(clockLock_);
  clockBefore_ = utcNow_();
}

void ChangeRecorder::AfterClockSet(const SystemTime& utc, bool set) {
  std::lock_guard guard(clockLock_);
  if (set) report_.ClockSet(clockBefore_, utc);
}

}  // namespace platform::host
