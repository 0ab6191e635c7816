// What a boot changed on the device, or in a dry run what it would change,
// as the platform's services saw the system's calls: files and folders, the
// description's copy, mark and deletion, shortcuts, program starts and the
// clock. Printed as a short summary at the end and written as JSON.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/common/sized_volumes.h"
#include "platform/host/report/step_entry.h"
#include "platform/host/report/warnings.h"
#include "platform/kernel.h"

namespace platform::host {

enum class EntryKind { None, File, Folder };

class ChangeReport {
 public:
  // A path is "\Folder\Name", UTF-8, with the names as the device holds
  // them (HeldPath) and found without regard to case; it is shown as first held.
  // Whether what `path` held before the run is known.
  bool Knows(std::string_view path) const;
  // Whether `path` is known to have held nothing before the run, nor then anything below it.
  bool HeldNothing(std::string_view path) const;
  // What `path` held before the run; only the first call for a path counts.
  void Before(std::string_view path, EntryKind kind);
  // `path` now holds `kind`; a file was written whole, or only added to at
  // its end when `appended`.
  void Now(std::string_view path, EntryKind kind, bool appended = false);
  void BytesWritten(std::uint64_t bytes);
  // The file at `path` was last written with the bytes it held before.
  void SameBytes(std::string_view path);
  // One step of an update list as it ended; the report lists them in document order.
  void Step(StepEntry entry);

  void DescriptionCopied(std::wstring_view from, std::wstring_view to);
  void DescriptionMarked(std::wstring_view path);
  // Saved as it was, since it has no `update_already` to mark: the next boot carries its list out again.
  void DescriptionSavedUnmarked(std::wstring_view path);
  void DescriptionDeleted(std::wstring_view path);
  // A program start asked of the shell, as asked for.
  void ProgramStart(std::wstring_view request, bool started);
  void ClockSet(const SystemTime& fromUtc, const SystemTime& toUtc);
  // How full each sized volume was before the run and is after it.
  void SetVolumes(std::vector<VolumeFill> volumes);

  // A program other than the device's own (its desktop shell, the image
  // updater that takes over from the start-up) was started: the run reached
  // its main application.
  bool ReachedMainApplication() const;
  // The shortcut files the run wrote, sorted.
  std::vector<std::string> Shortcuts() const;

  // A few lines without a final line end, each starting "initap: ".
  std::string Summary(bool dryRun, const std::vector<Warning>& warnings) const;
  std::string Json(const std::vector<Warning>& warnings) const;

 private:
  struct Entry {
    EntryKind before = EntryKind::None;
    EntryKind now = EntryKind::None;
    bool changed = false;
    bool writtenWhole = false;
    bool appended = false;
    bool sameBytes = false;  // its last whole write left the bytes it held
  };
  // Names and paths compared as the device compares them.
  struct FoldedHash {
    std::size_t operator()(const std::string& text) const;
  };
  struct FoldedEqual {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  // A card may touch many thousands of files: each folder's path is kept
  // once, and a name beside it mostly needs no memory of its own.
  using Names = std::unordered_map<std::string, Entry, FoldedHash, FoldedEqual>;
  // The entry of `path`, made when missing.
  Entry& EntryOf(std::string_view path);
  // The entry of `path`, null when there is none; the lock is held.
  const Entry* Find(std::string_view path) const;
  struct Program {
    std::string path;
    bool started = false;
  };
  struct Description {
    std::vector<std::pair<std::string, std::string>> copied;
    std::vector<std::string> marked;
    std::vector<std::string> savedUnmarked;
    std::vector<std::string> deleted;
  };
  // The changes by kind, each list sorted.
  struct Tally {
    std::vector<std::string> added, replaced, unchanged, appended, deleted, foldersCreated, foldersRemoved, shortcuts;
  };
  Tally Count() const;
  // The steps as JSON array items, in document order; `unchanged` is the tally's.
  std::string Steps(const std::vector<std::string>& unchanged) const;

  mutable std::mutex lock_;
  std::unordered_map<std::string, Names, FoldedHash, FoldedEqual> folders_;
  std::uint64_t bytesWritten_ = 0;
  std::vector<StepEntry> steps_;
  Description description_;
  std::vector<Program> programs_;
  std::optional<std::pair<SystemTime, SystemTime>> clock_;
  std::vector<VolumeFill> volumes_;
};

// The exit code of a verdict: 4 when the run did not reach the main
// application, else 5 with an error, 3 with warnings only, 0 when clean.
int VerdictExitCode(bool reachedMainApplication, const std::vector<Warning>& findings);

}  // namespace platform::host
