#include "platform/host/report/card_watch.h"

#include <algorithm>
#include <cwctype>
#include <tuple>
#include <utility>

#include "platform/common/path_limits.h"
#include "platform/common/shortcut_list_path.h"
#include "platform/common/update_descriptions.h"
#include "platform/common/update_log_path.h"
#include "platform/common/wide_units.h"
#include "platform/host/report/document_checks.h"
#include "platform/host/report/path_text.h"
#include "platform/host/report/step_entry.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// The device's own copy of the card's description: what it holds was told
// on the boot that brought it, and its list is never carried out.
bool IsKept(const DocumentReads& reads) { return Normalized(reads.path) == Normalized(kSystemDescription); }

// A text that reads as a relative path rather than a number or a rectangle.
bool IsRelativePath(std::wstring_view text) {
  if (text.empty() || text.front() == L'\\') return false;
  const wchar_t first = text.front();
  return !(std::iswdigit(static_cast<wint_t>(first)) || first == L'-' || first == L'+' ||
           std::iswspace(static_cast<wint_t>(first)));
}

bool AnyListed(const DocumentReads& reads) {
  return std::any_of(reads.elements.begin(), reads.elements.end(), [](const ElementRead& e) { return e.listed; });
}

bool IsShortcutList(const DocumentReads& reads) { return Normalized(reads.path) == Normalized(kShortcutList); }

bool IsBareName(std::wstring_view file) { return file.find_first_of(L"\\/") == std::wstring_view::npos; }

bool IsDocumentPath(std::wstring_view path) { return Normalized(path).ends_with(L".XML"); }

}  // namespace

void CardWatch::Loaded(const LoadedDocument& document) {
  std::lock_guard guard(lock_);
  const std::wstring path = Normalized(document.path);
  for (auto known = documents_.rbegin(); known != documents_.rend(); ++known) {
    if (Normalized((*known)->path) != path) continue;
    if ((*known)->SameOutline(document.outline)) {
      loaded_[&document] = *known;
      return;
    }
    break;
  }
  documents_.push_back(std::make_shared<DocumentReads>(document.path, document.outline));
  loaded_[&document] = documents_.back();
}

const std::shared_ptr<DocumentReads>* CardWatch::ReadsOf(const LoadedDocument& document) {
  const auto found = loaded_.find(&document);
  return found != loaded_.end() ? &found->second : nullptr;
}

void CardWatch::NotLoaded(std::wstring_view path, const ParseProblem& problem) {
  std::string text = problem.column != 0 ? "column " + std::to_string(problem.column) + ": " : "";
  text += problem.message;
  text += "; the device cannot load this file.";
  if (debug_) {
    std::string place = ToUtf8(path);
    if (problem.line != 0) place += ":" + std::to_string(problem.line);
    if (problem.column != 0) place += ":" + std::to_string(problem.column);
    debug_(FromUtf8(place + ": does not load: " + problem.message));
  }
  warnings_.Add(Warning{ToUtf8(path), problem.line, std::move(text), "does-not-load", Severity::Error});
}

void CardWatch::Searched(const LoadedDocument& document, int parent, int found) {
  std::lock_guard guard(lock_);
  const auto* reads = ReadsOf(document);
  if (reads == nullptr) return;
  (*reads)->elements[static_cast<std::size_t>(parent)].searched = true;
  if (found >= 0) (*reads)->elements[static_cast<std::size_t>(found)].read = true;
}

void CardWatch::Listed(const LoadedDocument& document, int element) {
  std::lock_guard guard(lock_);
  if (const auto* reads = ReadsOf(document)) (*reads)->elements[static_cast<std::size_t>(element)].listed = true;
}

void CardWatch::Named(const LoadedDocument& document, int element) {
  std::lock_guard guard(lock_);
  if (const auto* reads = ReadsOf(document)) (*reads)->elements[static_cast<std::size_t>(element)].named = true;
}

std::pair<std::shared_ptr<DocumentReads>, ElementRead*> CardWatch::MarkRead(const LoadedDocument& document,
                                                                            int element) {
  const auto* found = ReadsOf(document);
  if (found == nullptr) return {};
  ElementRead& read = (*found)->elements[static_cast<std::size_t>(element)];
  read.read = true;
  return {*found, &read};
}

void CardWatch::TextRead(const LoadedDocument& document, int element, const std::wstring& text) {
  std::lock_guard guard(lock_);
  const auto marked = MarkRead(document, element);
  if (marked.second == nullptr) return;
  const std::shared_ptr<DocumentReads>& reads = marked.first;
  ElementRead& read = *marked.second;
  read.text = text;
  if (read.parent != 0 || read.elementChildren != 0 || IsKept(*reads) || !IsRelativePath(text)) return;
  const bool known = std::any_of(pending_.begin(), pending_.end(), [&](const PendingPath& pending) {
    return pending.reads == reads && pending.element == element;
  });
  if (!known) pending_.push_back({reads, element, Tail(text)});
}

void CardWatch::AttributeAsked(const LoadedDocument& document, int element, std::string_view name,
                               const std::wstring* value) {
  std::lock_guard guard(lock_);
  const auto marked = MarkRead(document, element);
  if (marked.second == nullptr) return;
  const std::shared_ptr<DocumentReads>& reads = marked.first;
  ElementRead& read = *marked.second;
  if (value != nullptr) {
    read.attributesRead.emplace(name);
  } else {
    read.attributesMissing.emplace(name);
  }
  // The shortcut list's entries are no steps: what they name is weighed once the run is over.
  if (IsShortcutList(*reads)) {
    if (value != nullptr) shortcuts_.push_back({reads, element, std::string(name), *value});
    return;
  }
  // Only the steps of a list that the system walks are in work.
  if (read.parent < 0 || !reads->elements[static_cast<std::size_t>(read.parent)].listed) return;
  Step& step = steps_[std::this_thread::get_id()];
  if (step.reads != reads || step.element != element) {
    CloseStep(step);
    step = Step{reads, element, {}};
    step.record.name = read.name;
  }
  if (value == nullptr) {
    step.record.attributeMissing = true;
    return;
  }
  if (WideUnits(*value) >= kPathCapacity) read.cutShort = true;
  auto& values = step.record.values;
  if (std::none_of(values.begin(), values.end(), [&](const auto& known) { return known.first == name; })) {
    values.emplace_back(std::string(name), *value);
  }
}

void CardWatch::Released(const LoadedDocument& document) {
  std::lock_guard guard(lock_);
  const auto found = loaded_.find(&document);
  if (found == loaded_.end()) return;
  const std::shared_ptr<DocumentReads> reads = std::move(found->second);
  loaded_.erase(found);
  for (auto step = steps_.begin(); step != steps_.end();) {
    if (step->second.reads == reads) {
      CloseStep(step->second);
      step = steps_.erase(step);
    } else {
      ++step;
    }
  }
}

void CardWatch::Before(const FileCall& call) {
  // What to look up, then the looks without the lock: what they come across
  // hidden is the step's to be told of, as the call itself would have.
  std::vector<std::pair<std::size_t, std::wstring>> landed;
  {
    std::lock_guard guard(lock_);
    const auto step = steps_.find(std::this_thread::get_id());
    if (step == steps_.end()) return;
    StepRecord& record = step->second.record;
    record.held.resize(record.values.size());
    for (std::size_t i = 0; i < record.values.size(); ++i) {
      if (!record.held[i].empty()) continue;
      if (std::wstring path = Landed({call}, record.values[i].second); !path.empty()) {
        landed.emplace_back(i, std::move(path));
      }
    }
  }
  for (auto& [value, path] : landed) {
    std::wstring held = files_.Held(path).path;
    if (held.empty()) held = path;  // the root, or no device path
    if ((path.back() == L'\\' || path.back() == L'/') && held.back() != L'\\') held += L'\\';
    path = std::move(held);
  }
  // The recorder, told first, looked up what the call changes.
  std::string changing = recorder_.Changing();

  std::lock_guard guard(lock_);
  const auto step = steps_.find(std::this_thread::get_id());
  if (step == steps_.end()) return;
  for (auto& [value, held] : landed) step->second.record.held[value] = std::move(held);
  step->second.changing = std::move(changing);
}

void CardWatch::After(const FileCall& call) {
  std::lock_guard guard(lock_);
  const std::thread::id thread = std::this_thread::get_id();
  if (const auto step = steps_.find(thread); step != steps_.end()) {
    step->second.record.calls.push_back(call);
    step->second.record.changedAs.push_back(std::exchange(step->second.changing, {}));
    CountSource(step->second);
  }
  if (call.kind == FileCallKind::Test) lastTest_[thread] = call;
  Seen(call.path);
  Seen(call.second);
  if (call.kind == FileCallKind::Delete) deleted_.push_back(Normalized(call.path));
  if (call.kind != FileCallKind::Test || call.status != FileStatus::Ok) return;
  // A file found beside a description whose list was walked: what keeps it on the card.
  for (const std::shared_ptr<DocumentReads>& document : documents_) {
    if (AnyListed(*document) && FolderOf(call.path) == FolderOf(document->path) &&
        Normalized(call.path) != Normalized(document->path)) {
      found_[document.get()] = call.path;
    }
  }
}

void CardWatch::Appended(std::wstring_view path, std::wstring_view text) {
  if (Normalized(path) != Normalized(kUpdateLogPath)) return;
  std::lock_guard guard(lock_);
  if (const auto step = steps_.find(std::this_thread::get_id()); step != steps_.end() && step->second.reads) {
    step->second.record.logged = std::wstring(text);
  }
}

void CardWatch::BeforeStart(std::wstring_view file) {
  std::lock_guard guard(lock_);
  Seen(file);
  if (!IsBareName(file)) return;
  // The shell stands in when the program the system looked for last is missing.
  const auto last = lastTest_.find(std::this_thread::get_id());
  if (last == lastTest_.end()) return;
  const FileCall& call = last->second;
  if (call.status == FileStatus::Ok || IsDocumentPath(call.path)) return;
  const auto [reads, line] = ElementNaming(call.path);
  Add(reads, line, "missing-program", Severity::Error,
      Shown(call.path) + " does not exist, so the device starts " + ToUtf8(file) + " instead.");
}

std::pair<std::string, std::uint32_t> CardWatch::StepInWork() const {
  const auto step = steps_.find(std::this_thread::get_id());
  if (step == steps_.end() || !step->second.reads) return {};
  return {ToUtf8(step->second.reads->path),
          step->second.reads->elements[static_cast<std::size_t>(step->second.element)].line};
}

void CardWatch::DoesNotFit(std::wstring_view volume, std::wstring_view path, std::uint64_t more) {
  std::lock_guard guard(lock_);
  const auto [known, first] = full_.try_emplace(std::wstring(volume));
  if (first) {
    std::tie(known->second.description, known->second.line) = StepInWork();
    known->second.firstPath = path;
  }
  known->second.more = more;
}

void CardWatch::Hidden(const HiddenEntry& entry) {
  if (looking_.load() == std::this_thread::get_id()) return;
  std::lock_guard guard(lock_);
  const std::wstring path = Normalized(entry.path);
  if (!hidden_.insert(path).second) return;
  auto [description, line] = StepInWork();
  warnings_.Add(Warning{std::move(description), line,
                        Shown(entry.path) + " is not there for the device: " + entry.why + ".", entry.id,
                        Severity::Error});
}

void CardWatch::Finish() {
  std::lock_guard guard(lock_);
  if (finished_) return;
  finished_ = true;
  for (auto& [thread, step] : steps_) CloseStep(step);
  steps_.clear();
  for (const std::shared_ptr<DocumentReads>& document : documents_) {
    if (IsKept(*document)) continue;
    for (std::size_t i = 0; i < document->elements.size(); ++i) {
      const ElementRead& element = document->elements[i];
      if (IsShortcutList(*document) || element.parent < 0 ||
          !document->elements[static_cast<std::size_t>(element.parent)].listed) {
        continue;
      }
      if (stepped_.contains({document.get(), static_cast<int>(i)})) continue;
      StepEntry entry = SkippedStep(element.name, "<" + element.name + "> is not a step the device knows");
      entry.description = ToUtf8(document->path);
      entry.line = element.line;
      changes_.Step(std::move(entry));
    }
    for (Warning& warning : DocumentWarnings(*document)) Add(document.get(), std::move(warning));
  }
  for (const PendingPath& pending : pending_) {
    const ElementRead& element = pending.reads->elements[static_cast<std::size_t>(pending.element)];
    Add(pending.reads.get(), element.line, "relative-path-unresolved", Severity::Error,
        "<" + element.name + "> \"" + ToUtf8(element.text.value_or(L"")) +
            "\" is a relative path, which does not resolve from this description: the device finds no file by it.");
  }
  for (const auto& [volume, shortfall] : full_) {
    warnings_.Add(Warning{shortfall.description, shortfall.line,
                          Shown(shortfall.firstPath) + " is the first file that does not fit on " + Shown(volume) +
                              ", which fails as disk full: the card needs " + std::to_string(shortfall.more) +
                              " bytes more room on " + Shown(volume) + ".",
                          "volume-full", Severity::Error});
  }
  ShortcutFindings();
  for (const auto& [document, marker] : found_) {
    if (std::find(deleted_.begin(), deleted_.end(), Normalized(document->path)) != deleted_.end()) continue;
    Add(document, 0, "mass-production-marker", Severity::Warning,
        "the card holds " + Shown(marker) +
            ", so this description stays on it and every device the card goes into carries out its list.");
  }
}

void CardWatch::Add(const DocumentReads* reads, std::uint32_t line, std::string id, Severity severity,
                    std::string text) {
  Add(reads, Warning{{}, line, std::move(text), std::move(id), severity});
}

void CardWatch::Add(const DocumentReads* reads, Warning warning) {
  warning.description = reads != nullptr ? ToUtf8(reads->path) : std::string();
  warnings_.Add(std::move(warning));
}

void CardWatch::CloseStep(Step& step) {
  if (!step.reads) return;
  const std::uint32_t line = step.reads->elements[static_cast<std::size_t>(step.element)].line;
  stepped_.insert({step.reads.get(), step.element});
  StepRecord& record = step.record;
  for (const std::wstring& path : FailedPaths(record)) {
    if (IsFolder(path)) record.folders.push_back(path);
  }
  CountSource(step);
  std::vector<Warning> findings = StepWarnings(record);
  StepEntry entry = DescribeStep(record, findings);
  entry.description = ToUtf8(step.reads->path);
  entry.line = line;
  changes_.Step(std::move(entry));
  for (Warning& warning : findings) {
    warning.line = line;
    Add(step.reads.get(), std::move(warning));
  }
  step = Step{};
}

class CardWatch::OwnLook {
 public:
  explicit OwnLook(std::atomic<std::thread::id>& looking)
      : looking_(looking), before_(looking.exchange(std::this_thread::get_id())) {}
  ~OwnLook() { looking_.store(before_); }
  OwnLook(const OwnLook&) = delete;
  OwnLook& operator=(const OwnLook&) = delete;

 private:
  std::atomic<std::thread::id>& looking_;
  std::thread::id before_;
};

void CardWatch::CountSource(Step& step) {
  if (step.sourceCounted || !step.reads) return;
  StepRecord& record = step.record;
  for (const auto& [name, value] : record.values) {
    if (name != "from" || value.empty() || (value.back() != L'\\' && value.back() != L'/')) continue;
    const std::wstring folder = Landed(record.calls, value);
    if (folder.empty()) continue;
    step.sourceCounted = true;
    if (IsFolder(folder)) record.sourceFiles = FilesBelow(folder, record.longestBelow);
  }
}

bool CardWatch::IsFolder(std::wstring_view path) {
  const OwnLook own(looking_);
  std::wstring bare(path);
  while (bare.size() > 1 && (bare.back() == L'\\' || bare.back() == L'/')) bare.pop_back();
  FindData found;
  std::unique_ptr<FindHandle> listing;
  return files_.FindFirst(bare, found, listing) == FileStatus::Ok && (found.attributes & kDirectoryAttribute) != 0;
}

bool CardWatch::Exists(std::wstring_view path) {
  const OwnLook own(looking_);
  FindData found;
  std::unique_ptr<FindHandle> listing;
  return files_.FindFirst(path, found, listing) == FileStatus::Ok;
}

std::uint64_t CardWatch::FilesBelow(const std::wstring& folder, std::size_t& longest, std::size_t below) {
  // A folder nested deeper than a device path can reach holds nothing the device copies.
  if (below > kPathCapacity) return 0;
  const OwnLook own(looking_);
  std::wstring base = folder;
  if (base.back() != L'\\') base += L'\\';
  FindData entry;
  std::unique_ptr<FindHandle> listing;
  if (files_.FindFirst(base + L"*.*", entry, listing) != FileStatus::Ok) return 0;
  std::uint64_t count = 0;
  do {
    const std::size_t length = below + WideUnits(entry.name) + ((entry.attributes & kDirectoryAttribute) != 0 ? 1 : 0);
    longest = std::max(longest, length);
    count += (entry.attributes & kDirectoryAttribute) != 0 ? FilesBelow(base + entry.name, longest, length) : 1;
  } while (listing->Next(entry) == FileStatus::Ok);
  return count;
}

void CardWatch::ShortcutFindings() {
  for (const ShortcutText& text : shortcuts_) {
    const ElementRead& element = text.reads->elements[static_cast<std::size_t>(text.element)];
    const std::string tag = "<" + element.name + " " + text.name + "=\"" + ToUtf8(text.value) + "\">";
    const std::wstring held = codePage_.FromAnsi(codePage_.ToAnsi(text.value));
    if (held != text.value) {
      Add(text.reads.get(), element.line, "shortcut-codepage", Severity::Error,
          text.name == "path"
              ? tag + ": the device's code page cannot hold this path, so the shortcut points to \"" + ToUtf8(held) +
                    "\", which opens nothing."
              : tag + ": the device's code page cannot hold this name, so the shortcut is not written.");
      continue;
    }
    if (text.name != "path" || text.value.empty() || Exists(text.value)) continue;
    const bool deleted = std::find(deleted_.begin(), deleted_.end(), Normalized(text.value)) != deleted_.end();
    if (deleted) {
      Add(text.reads.get(), element.line, "shortcut-to-deleted-program", Severity::Error,
          tag + ": the card deletes " + Shown(text.value) + ", so this shortcut opens nothing.");
    } else {
      Add(text.reads.get(), element.line, "shortcut-target-missing", Severity::Warning,
          tag + ": " + Shown(text.value) + " does not exist on this device, so the shortcut opens nothing here.");
    }
  }
}

void CardWatch::Seen(std::wstring_view path) {
  if (path.empty()) return;
  std::erase_if(pending_, [&](const PendingPath& pending) { return Mentions(path, pending.tail); });
}

std::pair<const DocumentReads*, std::uint32_t> CardWatch::ElementNaming(std::wstring_view path) const {
  const std::wstring normal = Normalized(path);
  for (auto document = documents_.rbegin(); document != documents_.rend(); ++document) {
    for (const ElementRead& element : (*document)->elements) {
      if (element.text && !element.text->empty() && normal.ends_with(Normalized(Tail(*element.text)))) {
        return {document->get(), element.line};
      }
    }
  }
  return {nullptr, 0};
}

}  // namespace platform::host
