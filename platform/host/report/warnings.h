// What a card maker is told of during a boot: the findings about a card.
// The platform's services observe the system's own calls and add a finding
// here; findings go to standard error and to the change report, never to the
// update log.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace platform::host {

// How much a finding weighs: an error is a card that will not do what it
// says or costs the device something; a warning leaves the outcome as written.
enum class Severity { Warning, Error };

struct Warning {
  Warning() = default;
  Warning(std::string description_, std::uint32_t line_, std::string text_, std::string id_ = {},
          Severity severity_ = Severity::Warning)
      : description(std::move(description_)),
        line(line_),
        text(std::move(text_)),
        id(std::move(id_)),
        severity(severity_) {}

  std::string description;  // the description's device path, UTF-8; empty when none
  std::uint32_t line = 0;   // the step's line in it; 0 when none
  std::string text;         // one sentence: what the device will do
  std::string id;           // stable, such as "unknown-step"
  Severity severity = Severity::Warning;
};

// "error" or "warning".
std::string_view SeverityName(Severity severity);

class Warnings {
 public:
  // `print` receives each warning as one line as it is added; may be empty.
  explicit Warnings(std::function<void(std::string_view)> print = {}) : print_(std::move(print)) {}

  // Adds a finding once: the same text for the same place is not repeated.
  void Add(Warning warning);
  // Every finding, each description's in line order, those without a line first;
  // the findings of no description last; those of one line and id in text order.
  std::vector<Warning> All() const;
  bool Empty() const;

 private:
  std::function<void(std::string_view)> print_;
  mutable std::mutex lock_;
  std::vector<Warning> warnings_;
  std::set<std::tuple<std::string, std::uint32_t, std::string>> told_;  // description, line, text
};

// One line: "error: \sd card\update.xml:12: <cpy> is not a step the device
// knows; it is skipped. [unknown-step]"; a text over several lines is joined.
std::string FormatWarning(const Warning& warning);

// True when some finding is an error.
bool AnyError(const std::vector<Warning>& warnings);

}  // namespace platform::host
