#include "tools/card/card_check.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include "platform/host/child_process.h"
#include "platform/host/regular_file.h"
#include "tools/card/json_value.h"

namespace initap::card {

namespace {

namespace fs = std::filesystem;

constexpr int kClean = 0;
constexpr int kDidNotRun = 1;
constexpr int kWarned = 3;
constexpr int kNotReached = 4;
constexpr int kErrors = 5;
// The ids of the findings about a difference from the wanted tree begin so.
constexpr std::string_view kTreeFindings = "expected-";

// A folder of its own for the reports of one check, removed with it.
class ReportFolder {
 public:
  ReportFolder() {
    std::random_device seed;
    std::error_code ignored;
    path_ = fs::temp_directory_path(ignored) / ("initap-card-check-" + std::to_string(seed()));
    fs::create_directories(path_, ignored);
  }
  ~ReportFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ReportFolder(const ReportFolder&) = delete;
  ReportFolder& operator=(const ReportFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// "error: \sd card\update.xml:12: ..." as the dry run printed the finding.
std::string FindingLine(const JsonValue& finding) {
  const std::string description = finding["description"].Text();
  const auto line = static_cast<long long>(finding["line"].Number());
  std::string place = description;
  if (!place.empty() && line > 0) place += ":" + std::to_string(line);
  const std::string id = finding["id"].Text();
  return finding["severity"].Text("warning") + ": " + (place.empty() ? "" : place + ": ") + finding["text"].Text() +
         (id.empty() ? "" : " [" + id + "]");
}

void ReadReport(DeviceVerdict& verdict, bool expected) {
  const std::optional<JsonValue> report = ParseJson(verdict.report);
  if (!report) {
    verdict.report.clear();
    return;
  }
  for (const JsonValue& finding : (*report)["findings"].Items()) {
    const bool error = finding["severity"].Text() == "error";
    (error ? verdict.errorLines : verdict.warningLines).push_back(FindingLine(finding));
    // A finding about a difference from the wanted tree: the tree did not match.
    if (finding["id"].Text().starts_with(kTreeFindings)) verdict.treeMatched = false;
  }
  if (expected && !verdict.treeMatched) verdict.treeMatched = true;
  verdict.errors = verdict.errorLines.size();
  verdict.warnings = verdict.warningLines.size();
  for (const char* changed : {"files_added", "files_replaced", "files_deleted", "folders_created", "folders_removed"}) {
    verdict.changes += (*report)[changed].Items().size();
  }
}

DeviceVerdict DryRun(const CheckSetting& setting, const fs::path& device, const fs::path& report) {
  std::vector<std::string> words = {
      setting.initap.string(), "--quiet", "--dry-run", "--mount", "\\sd card=" + setting.card.string(), "--report",
      report.string()};
  if (setting.expect) {
    words.emplace_back("--expect");
    words.push_back(setting.expect->string());
  }
  words.push_back(device.string());
  platform::host::ChildProcess run(std::move(words));
  DeviceVerdict verdict;
  verdict.device = device;
  verdict.exitCode = run.Finish();
  verdict.output = run.Output();
  verdict.report = platform::host::ReadRegularFile(report).value_or("");
  ReadReport(verdict, setting.expect.has_value());
  return verdict;
}

}  // namespace

std::vector<DeviceVerdict> CheckCard(const CheckSetting& setting) {
  const ReportFolder reports;
  std::vector<DeviceVerdict> verdicts(setting.devices.size());
  std::atomic<std::size_t> next = 0;
  const auto work = [&] {
    for (std::size_t i = next++; i < verdicts.size(); i = next++) {
      verdicts[i] = DryRun(setting, setting.devices[i], reports.Path() / (std::to_string(i) + ".json"));
    }
  };
  std::vector<std::jthread> runners;
  const std::size_t jobs = std::clamp<std::size_t>(setting.jobs, 1, std::max<std::size_t>(verdicts.size(), 1));
  for (std::size_t i = 1; i < jobs; ++i) runners.emplace_back(work);
  work();
  return verdicts;
}

std::string Outcome(const DeviceVerdict& verdict) {
  switch (verdict.exitCode) {
    case kClean: return "clean";
    case kWarned: return "warnings";
    case kErrors: return "errors";
    case kNotReached: return "not reached";
    default: return "did not run";
  }
}

int WorstVerdict(const std::vector<DeviceVerdict>& verdicts) {
  // The order in which one concern outweighs another.
  constexpr int kWorstFirst[] = {kDidNotRun, kNotReached, kErrors, kWarned};
  for (const int code : kWorstFirst) {
    const bool met = std::any_of(verdicts.begin(), verdicts.end(), [&](const DeviceVerdict& v) {
      return code == kDidNotRun ? Outcome(v) == "did not run" : v.exitCode == code;
    });
    if (met) return code;
  }
  return kClean;
}

}  // namespace initap::card
