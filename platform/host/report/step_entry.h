// What one step of an update list did, as the change report tells it: its
// attributes as written and as the device resolved them, the files its
// counting pass found and those it copied or deleted, and how it ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/host/report/step_checks.h"
#include "platform/host/report/warnings.h"

namespace platform::host {

enum class StepStatus { Done, Partial, Nothing, Skipped };

// "done", "partial", "nothing" or "skipped".
std::string_view StepStatusName(StepStatus status);

struct StepEntry {
  std::string description;  // device path, UTF-8
  std::uint32_t line = 0;
  std::string kind;                                           // the element's name as written
  std::vector<std::pair<std::string, std::string>> written;   // attributes read, with their texts
  std::vector<std::pair<std::string, std::string>> resolved;  // the path each text became; empty when none
  std::optional<std::uint64_t> counted;                       // what the step's log line says
  std::vector<std::string> copied;                            // destinations, as written to, in path order
  std::vector<std::string> unchanged;                         // of those, replaced by identical bytes
  std::vector<std::string> deleted;                           // files and folders, in path order
  StepStatus status = StepStatus::Done;
  std::string why;  // for every status but done
};

// The entry of `step`; `findings` are the step's own, whose first text tells why it fell short.
StepEntry DescribeStep(const StepRecord& step, const std::vector<Warning>& findings);

// An element of a walked list that the device never took up as a step.
StepEntry SkippedStep(std::string kind, std::string why);

}  // namespace platform::host
