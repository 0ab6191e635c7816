#include "platform/host/report/change_report.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "platform/common/name_case.h"
#include "platform/host/report/json_text.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// The device's own programs, started by bare name or fixed path.
constexpr std::wstring_view kDeviceOwnPrograms[] = {L"EXPLORER", L"\\WINDOWS\\KRTNKUPDATE.EXE"};
constexpr int kVerdictClean = 0;
constexpr int kVerdictWarned = 3;
constexpr int kVerdictNotReached = 4;
constexpr int kVerdictFailed = 5;

std::string Time(const SystemTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year % 10000u, t.month % 100u, t.day % 100u,
                t.hour % 100u, t.minute % 100u, t.second % 100u);
  return text;
}

std::string List(const std::vector<std::string>& paths) {
  std::string out = "[";
  for (std::size_t i = 0; i < paths.size(); ++i) out += (i == 0 ? "" : ", ") + JsonQuoted(paths[i]);
  return out + "]";
}

std::string Joined(const std::vector<std::string>& paths) {
  std::string out;
  for (std::size_t i = 0; i < paths.size(); ++i) out += (i == 0 ? "" : ", ") + paths[i];
  return out;
}

std::string Counted(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Pairs(const std::vector<std::pair<std::string, std::string>>& pairs, bool emptyIsNull) {
  std::string out = "{";
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    out += (i == 0 ? "" : ", ") + JsonQuoted(pairs[i].first) + ": " +
           (emptyIsNull && pairs[i].second.empty() ? std::string("null") : JsonQuoted(pairs[i].second));
  }
  return out + "}";
}

bool Holds(const std::vector<std::string>& sorted, const std::string& path) {
  return std::binary_search(sorted.begin(), sorted.end(), path);
}

}  // namespace

std::size_t ChangeReport::FoldedHash::operator()(const std::string& text) const {
  return std::hash<std::wstring>{}(FoldName(FromUtf8(text)));
}

bool ChangeReport::FoldedEqual::operator()(const std::string& a, const std::string& b) const {
  return a == b || FoldName(FromUtf8(a)) == FoldName(FromUtf8(b));
}

ChangeReport::Entry& ChangeReport::EntryOf(std::string_view path) {
  const std::size_t separator = path.rfind('\\');
  const std::string folder(path.substr(0, separator == std::string_view::npos ? 0 : separator));
  const std::string name(path.substr(separator == std::string_view::npos ? 0 : separator + 1));
  return folders_[folder][name];
}

const ChangeReport::Entry* ChangeReport::Find(std::string_view path) const {
  const std::size_t separator = path.rfind('\\');
  const auto folder = folders_.find(std::string(path.substr(0, separator == std::string_view::npos ? 0 : separator)));
  if (folder == folders_.end()) return nullptr;
  const auto entry =
      folder->second.find(std::string(path.substr(separator == std::string_view::npos ? 0 : separator + 1)));
  return entry == folder->second.end() ? nullptr : &entry->second;
}

bool ChangeReport::Knows(std::string_view path) const {
  std::lock_guard guard(lock_);
  return Find(path) != nullptr;
}

bool ChangeReport::HeldNothing(std::string_view path) const {
  std::lock_guard guard(lock_);
  const Entry* entry = Find(path);
  return entry != nullptr && entry->before == EntryKind::None;
}

void ChangeReport::Before(std::string_view path, EntryKind kind) {
  std::lock_guard guard(lock_);
  Entry& entry = EntryOf(path);
  if (entry.changed) return;
  entry.before = entry.now = kind;
}

void ChangeReport::Now(std::string_view path, EntryKind kind, bool appended) {
  std::lock_guard guard(lock_);
  Entry& entry = EntryOf(path);
  entry.now = kind;
  entry.changed = true;
  entry.sameBytes = false;
  if (kind != EntryKind::File) {
    entry.writtenWhole = entry.appended = false;
  } else if (appended) {
    entry.appended = true;
  } else {
    entry.writtenWhole = true;
  }
}

void ChangeReport::BytesWritten(std::uint64_t bytes) {
  std::lock_guard guard(lock_);
  bytesWritten_ += bytes;
}

void ChangeReport::SameBytes(std::string_view path) {
  std::lock_guard guard(lock_);
  EntryOf(path).sameBytes = true;
}

void ChangeReport::Step(StepEntry entry) {
  std::lock_guard guard(lock_);
  steps_.push_back(std::move(entry));
}

void ChangeReport::DescriptionCopied(std::wstring_view from, std::wstring_view to) {
  std::lock_guard guard(lock_);
  description_.copied.emplace_back(ToUtf8(from), ToUtf8(to));
}

void ChangeReport::DescriptionMarked(std::wstring_view path) {
  std::lock_guard guard(lock_);
  description_.marked.push_back(ToUtf8(path));
}

void ChangeReport::DescriptionSavedUnmarked(std::wstring_view path) {
  std::lock_guard guard(lock_);
  description_.savedUnmarked.push_back(ToUtf8(path));
}

void ChangeReport::DescriptionDeleted(std::wstring_view path) {
  std::lock_guard guard(lock_);
  description_.deleted.push_back(ToUtf8(path));
}

void ChangeReport::ProgramStart(std::wstring_view request, bool started) {
  std::lock_guard guard(lock_);
  programs_.push_back({ToUtf8(request), started});
}

void ChangeReport::ClockSet(const SystemTime& fromUtc, const SystemTime& toUtc) {
  std::lock_guard guard(lock_);
  clock_ = std::make_pair(fromUtc, toUtc);
}

bool ChangeReport::ReachedMainApplication() const {
  std::lock_guard guard(lock_);
  return std::any_of(programs_.begin(), programs_.end(), [](const Program& program) {
    const std::wstring folded = FoldName(FromUtf8(program.path));
    return program.started && std::find(std::begin(kDeviceOwnPrograms), std::end(kDeviceOwnPrograms), folded) ==
                                  std::end(kDeviceOwnPrograms);
  });
}

std::string ChangeReport::Steps(const std::vector<std::string>& unchanged) const {
  std::vector<const StepEntry*> ordered;
  for (const StepEntry& step : steps_) ordered.push_back(&step);
  std::stable_sort(ordered.begin(), ordered.end(), [](const StepEntry* a, const StepEntry* b) {
    return std::tie(a->description, a->line) < std::tie(b->description, b->line);
  });
  std::string json;
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    const StepEntry& step = *ordered[i];
    std::vector<std::string> same;
    for (const std::string& path : step.copied) {
      if (Holds(unchanged, path)) same.push_back(path);
    }
    json += std::string(i == 0 ? "\n" : ",\n") + "    {\"description\": " + JsonQuoted(step.description) +
            ", \"line\": " + std::to_string(step.line) + ", \"kind\": " + JsonQuoted(step.kind) +
            ", \"attributes\": " + Pairs(step.written, false) + ", \"resolved\": " + Pairs(step.resolved, true) +
            ", \"counted\": " + (step.counted ? std::to_string(*step.counted) : std::string("null")) +
            ", \"copied\": " + List(step.copied) + ", \"unchanged\": " + List(same) +
            ", \"deleted\": " + List(step.deleted) + ", \"status\": " + JsonQuoted(StepStatusName(step.status)) +
            ", \"why\": " + (step.why.empty() ? std::string("null") : JsonQuoted(step.why)) + "}";
  }
  return ordered.empty() ? json : json + "\n  ";
}

std::vector<std::string> ChangeReport::Shortcuts() const {
  std::lock_guard guard(lock_);
  return Count().shortcuts;
}

ChangeReport::Tally ChangeReport::Count() const {
  Tally tally;
  for (const auto& [folder, names] : folders_) {
    for (const auto& [name, entry] : names) {
      if (!entry.changed) continue;
      const std::string path = folder + "\\" + name;
      const bool fileBefore = entry.before == EntryKind::File;
      const bool fileNow = entry.now == EntryKind::File;
      if (fileNow && !fileBefore) tally.added.push_back(path);
      if (fileNow && fileBefore && entry.writtenWhole) {
        (entry.sameBytes && !entry.appended ? tally.unchanged : tally.replaced).push_back(path);
      }
      if (fileNow && fileBefore && !entry.writtenWhole && entry.appended) tally.appended.push_back(path);
      if (fileBefore && !fileNow) tally.deleted.push_back(path);
      if (entry.now == EntryKind::Folder && entry.before != EntryKind::Folder) tally.foldersCreated.push_back(path);
      if (entry.before == EntryKind::Folder && entry.now != EntryKind::Folder) tally.foldersRemoved.push_back(path);
      if (fileNow && entry.writtenWhole && FoldName(FromUtf8(name)).ends_with(L".LNK")) {
        tally.shortcuts.push_back(path);
      }
    }
  }
  for (auto* list : {&tally.added, &tally.replaced, &tally.unchanged, &tally.appended, &tally.deleted,
                     &tally.foldersCreated, &tally.foldersRemoved, &tally.shortcuts}) {
    std::sort(list->begin(), list->end());
  }
  return tally;
}

void ChangeReport::SetVolumes(std::vector<VolumeFill> volumes) {
  std::lock_guard guard(lock_);
  volumes_ = std::move(volumes);
}

std::string ChangeReport::Summary(bool dryRun, const std::vector<Warning>& warnings) const {
  std::lock_guard guard(lock_);
  const Tally tally = Count();
  std::string text =
      dryRun ? "initap: dry run, nothing was changed; the boot would change: " : "initap: the boot changed: ";
  text += Counted(tally.added.size(), "file added", "files added") + ", " + std::to_string(tally.replaced.size()) +
          " replaced, " + std::to_string(tally.appended.size()) + " appended, " + std::to_string(tally.deleted.size()) +
          " deleted, " + Counted(bytesWritten_, "byte", "bytes") + " written; " +
          Counted(tally.foldersCreated.size(), "folder created", "folders created") + ", " +
          std::to_string(tally.foldersRemoved.size()) + " removed";
  if (!tally.unchanged.empty()) {
    text += "; " + Counted(tally.unchanged.size(), "file", "files") + " rewritten unchanged";
  }
  for (const auto& [from, to] : description_.copied) text += "\ninitap: description " + from + " copied to " + to;
  if (!description_.marked.empty()) text += "\ninitap: description marked applied: " + Joined(description_.marked);
  if (!description_.savedUnmarked.empty()) {
    text += "\ninitap: description saved unmarked, without update_already, so the next boot carries it out again: " +
            Joined(description_.savedUnmarked);
  }
  if (!description_.deleted.empty()) text += "\ninitap: description deleted: " + Joined(description_.deleted);
  if (!tally.shortcuts.empty()) text += "\ninitap: shortcuts written: " + Joined(tally.shortcuts);
  std::vector<std::string> started, failed;
  for (const Program& program : programs_) (program.started ? started : failed).push_back(program.path);
  if (!started.empty()) text += "\ninitap: programs started: " + Joined(started);
  if (!failed.empty()) text += "\ninitap: programs that failed to start: " + Joined(failed);
  if (clock_) text += "\ninitap: clock set from " + Time(clock_->first) + " to " + Time(clock_->second) + " UTC";
  for (const VolumeFill& volume : volumes_) {
    text += "\ninitap: \\" + ToUtf8(volume.volume) + " holds " + Counted(volume.size, "byte", "bytes") + ": " +
            std::to_string(volume.usedBefore) + " used before, " + std::to_string(volume.used) + " after";
    if (volume.refused != 0) text += ", " + std::to_string(volume.refused) + " refused for want of room";
  }
  const auto errors = static_cast<std::size_t>(std::count_if(
      warnings.begin(), warnings.end(), [](const Warning& warning) { return warning.severity == Severity::Error; }));
  if (!warnings.empty()) {
    text += "\ninitap: " + Counted(errors, "error", "errors") + ", " +
            Counted(warnings.size() - errors, "warning", "warnings");
  }
  return text;
}

std::string ChangeReport::Json(const std::vector<Warning>& warnings) const {
  const bool reached = ReachedMainApplication();
  std::lock_guard guard(lock_);
  const Tally tally = Count();
  std::string json = "{\n";
  json += "  \"reached_main_application\": " + std::string(reached ? "true" : "false") + ",\n";
  json += "  \"files_added\": " + List(tally.added) + ",\n";
  json += "  \"files_replaced\": " + List(tally.replaced) + ",\n";
  json += "  \"files_unchanged\": " + List(tally.unchanged) + ",\n";
  json += "  \"files_appended\": " + List(tally.appended) + ",\n";
  json += "  \"files_deleted\": " + List(tally.deleted) + ",\n";
  json += "  \"bytes_written\": " + std::to_string(bytesWritten_) + ",\n";
  json += "  \"folders_created\": " + List(tally.foldersCreated) + ",\n";
  json += "  \"folders_removed\": " + List(tally.foldersRemoved) + ",\n";
  json += "  \"description\": {\n    \"copied\": [";
  for (std::size_t i = 0; i < description_.copied.size(); ++i) {
    json += (i == 0 ? "" : ", ") + std::string("{\"from\": ") + JsonQuoted(description_.copied[i].first) +
            ", \"to\": " + JsonQuoted(description_.copied[i].second) + "}";
  }
  json += "],\n    \"marked\": " + List(description_.marked) +
          ",\n    \"saved_unmarked\": " + List(description_.savedUnmarked) +
          ",\n    \"deleted\": " + List(description_.deleted) + "\n  },\n";
  json += "  \"shortcuts\": " + List(tally.shortcuts) + ",\n";
  json += "  \"programs\": [";
  for (std::size_t i = 0; i < programs_.size(); ++i) {
    json += (i == 0 ? "" : ", ") + std::string("{\"path\": ") + JsonQuoted(programs_[i].path) +
            ", \"started\": " + (programs_[i].started ? "true" : "false") + "}";
  }
  json += "],\n  \"clock\": ";
  json += clock_
              ? "{\"from\": " + JsonQuoted(Time(clock_->first)) + ", \"to\": " + JsonQuoted(Time(clock_->second)) + "}"
              : std::string("null");
  json += ",\n  \"volumes\": [";
  for (std::size_t i = 0; i < volumes_.size(); ++i) {
    const VolumeFill& volume = volumes_[i];
    json += (i == 0 ? "" : ", ") + std::string("{\"volume\": ") + JsonQuoted("\\" + ToUtf8(volume.volume)) +
            ", \"size\": " + std::to_string(volume.size) + ", \"used_before\": " + std::to_string(volume.usedBefore) +
            ", \"used_after\": " + std::to_string(volume.used) + ", \"refused\": " + std::to_string(volume.refused) +
            "}";
  }
  json += "]";
  json += ",\n  \"steps\": [" + Steps(tally.unchanged) + "]";
  json += ",\n  \"findings\": [";
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    const Warning& finding = warnings[i];
    json += std::string(i == 0 ? "\n" : ",\n") + "    {\"id\": " + JsonQuoted(finding.id) +
            ", \"severity\": " + JsonQuoted(SeverityName(finding.severity)) +
            ", \"description\": " + JsonQuoted(finding.description) +
            ", \"line\": " + (finding.line != 0 ? std::to_string(finding.line) : std::string("null")) +
            ", \"text\": " + JsonQuoted(finding.text) + "}";
  }
  json += warnings.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return json;
}

int VerdictExitCode(bool reachedMainApplication, const std::vector<Warning>& findings) {
  if (!reachedMainApplication) return kVerdictNotReached;
  if (AnyError(findings)) return kVerdictFailed;
  return findings.empty() ? kVerdictClean : kVerdictWarned;
}

}  // namespace platform::host
