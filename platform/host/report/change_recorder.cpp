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

std::string ChangeRecorder::Held(std::wstring_view path) { return ToUtf8(files_.Held(path).path); }

std::string ChangeRecorder::Changing() {
  std::lock_guard guard(sameLock_);
  const auto known = changing_.find(std::this_thread::get_id());
  return known == changing_.end() ? std::string() : known->second;
}

std::string ChangeRecorder::Touch(std::wstring_view path) {
  const HeldPath held = files_.Held(path);
  std::string key = ToUtf8(held.path);
  if (key.empty() || report_.Knows(key)) return key;
  // Below a folder that was not there before the run nothing was, which a
  // tree copied into a new folder needs to look up for no file. What the name
  // holds is asked whatever the path asked of it: a file is there also when
  // the step wrote its name as a folder's.
  const std::size_t folder = key.rfind('\\');
  const bool inNewFolder = folder > 0 && report_.HeldNothing(std::string_view(key).substr(0, folder));
  report_.Before(key, inNewFolder ? EntryKind::None : held.link ? EntryKind::File : KindOf(held.path));
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
    case FileCallKind::Copy: {
      std::string key = Touch(call.second);
      const bool same = SameFiles(call.path, call.second);
      std::lock_guard guard(sameLock_);
      changing_[std::this_thread::get_id()] = std::move(key);
      if (same) {
        sameCopies_.insert(ComparableDevicePath(call.second));
      } else {
        sameCopies_.erase(ComparableDevicePath(call.second));
      }
      break;
    }
    case FileCallKind::RemoveFolder:
    case FileCallKind::Delete: {
      std::string key = Touch(call.path);
      std::lock_guard guard(sameLock_);
      changing_[std::this_thread::get_id()] = std::move(key);
      break;
    }
    case FileCallKind::CreateFolder:
    case FileCallKind::Append:
    case FileCallKind::Create:
    case FileCallKind::Replace: Touch(call.path); break;
    default: break;  // reads change nothing
  }
}

void ChangeRecorder::After(const FileCall& call) {
  std::string changed;  // as held before the call
  {
    std::lock_guard guard(sameLock_);
    if (const auto known = changing_.find(std::this_thread::get_id()); known != changing_.end()) {
      changed = std::move(known->second);
      changing_.erase(known);
    }
  }
  if (call.status != FileStatus::Ok) return;
  switch (call.kind) {
    case FileCallKind::CreateFolder: Note(call.path, EntryKind::Folder); break;
    case FileCallKind::RemoveFolder:
      if (!changed.empty()) report_.Now(changed, EntryKind::None, false);
      break;
    case FileCallKind::Delete:
      if (!changed.empty()) report_.Now(changed, EntryKind::None, false);
      if (IsDescription(changed)) report_.DescriptionDeleted(FromUtf8(changed));
      break;
    case FileCallKind::Copy: {
      // The copy made is as large as its source: the bytes written. Asked of
      // the copy, which a dry run holds itself, rather than of the source below.
      std::uint64_t size = 0;
      KindOf(call.second, &size);
      if (!changed.empty()) report_.Now(changed, EntryKind::File, false);
      report_.BytesWritten(size);
      const std::string from = Held(call.path), &to = changed;
      if (std::lock_guard guard(sameLock_); sameCopies_.erase(ComparableDevicePath(call.second)) != 0) {
        report_.SameBytes(to);
      }
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
