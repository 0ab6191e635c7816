#include "platform/host/report/change_recorder.h"

#include <algorithm>

#include "platform/common/device_names.h"
#include "platform/common/name_case.h"
#include "platform/common/update_descriptions.h"
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

std::string ChangeRecorder::Held(std::wstring_view path) { return ToUtf8(files_.Held(path).path); }

std::string ChangeRecorder::Touch(std::wstring_view path) {
  const HeldPath held = files_.Held(path);
  std::string key = ToUtf8(held.path);
  // What the name holds, whatever the path asked of it: a file is there also
  // when the step wrote its name as a folder's.
  if (!key.empty() && !report_.Knows(key)) report_.Before(key, held.link ? EntryKind::File : KindOf(held.path));
  return key;
}

void ChangeRecorder::Note(std::wstring_view path, EntryKind kind, bool appended) {
  if (const std::string key = Held(path); !key.empty()) report_.Now(key, kind, appended);
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
      if (const std::string held = Held(call.path); IsDescription(held)) report_.DescriptionDeleted(FromUtf8(held));
      break;
    case FileCallKind::Copy: {
      // A copy leaves its source as it was: its size is the bytes written.
      std::uint64_t size = 0;
      KindOf(call.path, &size);
      Note(call.second, EntryKind::File);
      report_.BytesWritten(size);
      const std::string from = Held(call.path), to = Held(call.second);
      if (IsDescription(to) && IsDescription(from)) report_.DescriptionCopied(FromUtf8(from), FromUtf8(to));
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
    case FileCallKind::Replace: {
      report_.BytesWritten(call.bytes);
      const std::string held = Held(call.path);
      if (!IsDescription(held)) {
        Note(call.path, EntryKind::File);
        break;
      }
      bool markable = false;
      {
        std::lock_guard guard(markLock_);
        const auto known = markable_.find(FoldName(FromUtf8(held)));
        markable = known != markable_.end() && known->second;
      }
      // Saved without a mark to set, the description holds what it held.
      if (markable) {
        Note(call.path, EntryKind::File);
        report_.DescriptionMarked(FromUtf8(held));
      } else {
        report_.DescriptionSavedUnmarked(FromUtf8(held));
      }
      break;
    }
    default: break;
  }
}

void ChangeRecorder::Appended(std::wstring_view /*path*/, std::wstring_view text) {
  report_.BytesWritten(ToUtf8(text).size());
}

void ChangeRecorder::Written(std::wstring_view /*path*/, std::uint64_t bytes) { report_.BytesWritten(bytes); }

void ChangeRecorder::AfterStart(std::wstring_view file, bool started) { report_.ProgramStart(file, started); }

void ChangeRecorder::Loaded(const LoadedDocument& document) {
  const std::string held = Held(document.path);
  if (!IsDescription(held)) return;
  // The mark is the text of the root's first child of that name.
  bool markable = false;
  for (const OutlineElement& element : document.outline.elements) {
    markable = markable || (element.parent == 0 && element.name == "update_already");
  }
  std::lock_guard guard(markLock_);
  markable_[FoldName(FromUtf8(held))] = markable;
}

void ChangeRecorder::BeforeClockSet(const SystemTime& /*utc*/) {
  std::lock_guard guard(clockLock_);
  clockBefore_ = utcNow_();
}

void ChangeRecorder::AfterClockSet(const SystemTime& utc, bool set) {
  std::lock_guard guard(clockLock_);
  if (set) report_.ClockSet(clockBefore_, utc);
}

}  // namespace platform::host
