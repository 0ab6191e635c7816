// What a check of one card on many devices tells: a table for the console,
// JUnit XML for CI servers and JSON with each device's whole report.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/card/card_check.h"

namespace initap::card {

// One row per device: its folder, the outcome, the counts of errors, warnings
// and changes, and whether the tree matched; a header row first.
std::string CheckTable(const std::vector<DeviceVerdict>& verdicts);

// One test suite for the card, one test case per device: a failure for each
// error (and one when the main application is not reached), an error when the
// dry run did not run, the warnings in its output.
std::string CheckJunit(const std::filesystem::path& card, const std::vector<DeviceVerdict>& verdicts);

// The card and, for each device, its outcome, counts and the dry run's report.
std::string CheckJson(const std::filesystem::path& card, const std::vector<DeviceVerdict>& verdicts);

}  // namespace initap::card
