// What one step of an update list did at the file system, read against the
// attribute texts it was given: the findings a card maker needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/common/file_call.h"
#include "platform/host/report/warnings.h"

namespace platform::host {

struct StepRecord {
  std::string name;                                          // the step element's name as written
  std::vector<std::pair<std::string, std::wstring>> values;  // attributes read, with their texts
  bool attributeMissing = false;
  std::vector<FileCall> calls;                    // made while the step was in work
  std::optional<std::wstring> logged = {};        // the line it added to the update log
  std::vector<std::wstring> folders = {};         // paths of its failed calls that are folders after it
  std::optional<std::uint64_t> sourceFiles = {};  // the files in a copied folder, all its subfolders' too
  std::size_t longestBelow = 0;                   // the longest path in it, in units after the folder's own
  // Beside each value, the path it led to as the device held it when a call
  // first reached it: letter case and ".." as on the volume; empty until then.
  std::vector<std::wstring> held = {};
  // Beside each call, what a copy wrote or a removal took as the device held
  // it just before; empty for the other calls.
  std::vector<std::string> changedAs = {};
};

// The paths of the failed calls of `step`: the checks ask which are folders.
std::vector<std::wstring> FailedPaths(const StepRecord& step);

// Where a text ended up: the first path given to the file system that holds
// it from the start of a name, up to its end; empty when none does.
std::wstring Landed(const std::vector<FileCall>& calls, std::wstring_view text);

// One finding each, in the order the card maker reads the step; the caller
// names the description and the line.
std::vector<Warning> StepWarnings(const StepRecord& step);

}  // namespace platform::host
