// What one step of an update list did at the file system, read against the
// attribute texts it was given: the warnings a card maker needs.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/common/file_call.h"

namespace platform::host {

struct StepRecord {
  std::string name;                                          // the step element's name as written
  std::vector<std::pair<std::string, std::wstring>> values;  // attributes read, with their texts
  bool attributeMissing = false;
  std::vector<FileCall> calls;  // made while the step was in work
};

// One sentence each, in the order the card maker reads the step.
std::vector<std::string> StepWarnings(const StepRecord& step);

}  // namespace platform::host
