#include "platform/host/report/step_entry.h"

#include <algorithm>
#include <cwctype>

#include "platform/host/report/path_text.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// The number at the start of the message of a log line, after its stamp.
std::optional<std::uint64_t> LoggedCount(std::wstring_view line) {
  if (const std::size_t stamp = line.find(L") "); stamp != std::wstring_view::npos) line.remove_prefix(stamp + 2);
  if (line.empty() || !std::iswdigit(static_cast<wint_t>(line.front()))) return std::nullopt;
  std::uint64_t count = 0;
  for (std::size_t i = 0; i < line.size() && std::iswdigit(static_cast<wint_t>(line[i])); ++i) {
    count = count * 10 + static_cast<std::uint64_t>(line[i] - L'0');
  }
  return count;
}

// The path as the change report names it; as given when it is no device path.
std::string DevicePath(std::wstring_view path) {
  const std::string written = WrittenPath(path);
  return written.empty() ? Shown(path) : written;
}

bool IsChange(FileCallKind kind) {
  return kind == FileCallKind::Copy || kind == FileCallKind::Delete || kind == FileCallKind::RemoveFolder;
}

}  // namespace

std::string_view StepStatusName(StepStatus status) {
  switch (status) {
    case StepStatus::Done: return "done";
    case StepStatus::Partial: return "partial";
    case StepStatus::Nothing: return "nothing";
    case StepStatus::Skipped: return "skipped";
  }
  return "done";
}

StepEntry DescribeStep(const StepRecord& step, const std::vector<Warning>& findings) {
  StepEntry entry;
  entry.kind = step.name;
  for (std::size_t i = 0; i < step.values.size(); ++i) {
    const auto& [name, value] = step.values[i];
    entry.written.emplace_back(name, ToUtf8(value));
    const bool held = i < step.held.size() && !step.held[i].empty();
    entry.resolved.emplace_back(name, ToUtf8(held ? step.held[i] : Landed(step.calls, value)));
  }
  if (step.logged) entry.counted = LoggedCount(*step.logged);
  std::size_t failed = 0;
  for (std::size_t i = 0; i < step.calls.size(); ++i) {
    const FileCall& call = step.calls[i];
    if (!IsChange(call.kind)) continue;
    if (call.status != FileStatus::Ok) {
      ++failed;
      continue;
    }
    const bool copy = call.kind == FileCallKind::Copy;
    const bool held = i < step.changedAs.size() && !step.changedAs[i].empty();
    (copy ? entry.copied : entry.deleted)
        .push_back(held ? step.changedAs[i] : DevicePath(copy ? call.second : call.path));
  }
  // In path order: the order of a folder's listing is the host's own.
  std::sort(entry.copied.begin(), entry.copied.end());
  std::sort(entry.deleted.begin(), entry.deleted.end());
  const std::string why = findings.empty() ? std::string() : findings.front().text;
  const bool changed = !entry.copied.empty() || !entry.deleted.empty();
  const bool madeFolder = std::any_of(step.calls.begin(), step.calls.end(), [](const FileCall& call) {
    return call.kind == FileCallKind::CreateFolder && call.status == FileStatus::Ok;
  });
  if (step.attributeMissing || step.calls.empty()) {
    entry.status = StepStatus::Skipped;
    entry.why = why.empty() ? "the device took up none of its paths" : why;
  } else if (!changed && (failed > 0 || !findings.empty() || !madeFolder)) {
    entry.status = StepStatus::Nothing;
    entry.why = why.empty() ? "there was nothing to copy or delete" : why;
  } else if (failed > 0 || (!findings.empty() && findings.front().id == "step-partial")) {
    entry.status = StepStatus::Partial;
    entry.why = why;
  }
  return entry;
}

StepEntry SkippedStep(std::string kind, std::string why) {
  StepEntry entry;
  entry.kind = std::move(kind);
  entry.status = StepStatus::Skipped;
  entry.why = std::move(why);
  return entry;
}

}  // namespace platform::host
