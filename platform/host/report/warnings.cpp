#include "platform/host/report/warnings.h"

namespace platform::host {

void Warnings::Add(Warning warning) {
  std::lock_guard guard(lock_);
  for (const Warning& known : warnings_) {
    if (known.description == warning.description && known.line == warning.line && known.text == warning.text) return;
  }
  if (print_) print_(FormatWarning(warning));
  warnings_.push_back(std::move(warning));
}

std::vector<Warning> Warnings::All() const {
  std::lock_guard guard(lock_);
  return warnings_;
}

bool Warnings::Empty() const {
  std::lock_guard guard(lock_);
  return warnings_.empty();
}

std::string FormatWarning(const Warning& warning) {
  std::string line = "warning: ";
  if (!warning.description.empty()) {
    line += warning.description;
    if (warning.line != 0) line += ":" + std::to_string(warning.line);
    line += ": ";
  }
  return line + warning.text;
}

}  // namespace platform::host
