#include "platform/host/report/change_recorder.h"

#include <algorithm>

#include "platform/common/device_names.h"
#include "platform/common/name_case.h"
#include "platform/common/update_descriptions.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// "\Folder\Name" with the names as written; empty for the root, or for a
// path that is no device path, which nothing can change.
std::string WrittenPath(std::wstring_view path) {
  DeviceNames parsed;
  if (ParseDeviceNames(path, parsed) != FileStatus::Ok) return {};
  return ToUtf8(parsed.Below(L""));
}

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
    case FileCallKind::Copy: Touch(call.second); break;
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
