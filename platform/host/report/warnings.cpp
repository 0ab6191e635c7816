#include "platform/host/report/warnings.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace platform::host {

namespace {

// A parser's message may run over lines; a finding is one.
std::string OneLine(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

std::string_view SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

void Warnings::Add(Warning warning) {
  std::lock_guard guard(lock_);
  warning.text = OneLine(warning.text);
  if (!told_.emplace(warning.description, warning.line, warning.text).second) return;
  if (print_) print_(FormatWarning(warning));
  warnings_.push_back(std::move(warning));
}

std::vector<Warning> Warnings::All() const {
  std::lock_guard guard(lock_);
  std::vector<std::string> descriptions;
  for (const Warning& warning : warnings_) {
    if (std::find(descriptions.begin(), descriptions.end(), warning.description) == descriptions.end()) {
      descriptions.push_back(warning.description);
    }
  }
  // Those of no description (the run's own) come last, whenever they were found.
  const auto turn = [&](const Warning& warning) {
    if (warning.description.empty()) return static_cast<std::ptrdiff_t>(descriptions.size());
    return std::find(descriptions.begin(), descriptions.end(), warning.description) - descriptions.begin();
  };
  // Alike findings of one line (the entries a folder's walk came across) in
  // the order of their texts: the walk's order is the host's, and a dry run's
  // overlay meets new entries apart from those already there.
  std::map<std::tuple<std::ptrdiff_t, std::uint32_t, std::string>, std::size_t> firstOfKind;
  for (std::size_t i = 0; i < warnings_.size(); ++i) {
    firstOfKind.emplace(std::tuple(turn(warnings_[i]), warnings_[i].line, warnings_[i].id), i);
  }
  const auto key = [&](const Warning& warning) {
    const std::ptrdiff_t at = turn(warning);
    return std::tuple(at, warning.line, firstOfKind.at(std::tuple(at, warning.line, warning.id)));
  };
  std::vector<Warning> ordered = warnings_;
  std::stable_sort(ordered.begin(), ordered.end(), [&](const Warning& a, const Warning& b) {
    const auto first = key(a), second = key(b);
    return first != second ? first < second : a.text < b.text;
  });
  return ordered;
}

bool Warnings::Empty() const {
  std::lock_guard guard(lock_);
  return warnings_.empty();
}

std::string FormatWarning(const Warning& warning) {
  std::string line = std::string(SeverityName(warning.severity)) + ": ";
  if (!warning.description.empty()) {
    line += warning.description;
    if (warning.line != 0) line += ":" + std::to_string(warning.line);
    line += ": ";
  }
  line += OneLine(warning.text);
  if (!warning.id.empty()) line += " [" + warning.id + "]";
  return line;
}

bool AnyError(const std::vector<Warning>& warnings) {
  return std::any_of(warnings.begin(), warnings.end(),
                     [](const Warning& warning) { return warning.severity == Severity::Error; });
}

}  // namespace platform::host
