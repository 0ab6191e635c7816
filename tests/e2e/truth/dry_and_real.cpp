#include "tests/e2e/truth/dry_and_real.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>

#include "tests/e2e/device_boot.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tree_snapshot.h"
#include "tools/card/json_value.h"

namespace initap::test {

namespace {

namespace fs = std::filesystem;

const std::string kDryFirstLine = "initap: dry run, nothing was changed; the boot would change: ";
const std::string kRealFirstLine = "initap: the boot changed: ";

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n  " + line;
  return text;
}

// The summary's lines, the dry run's first one worded as the boot's.
std::vector<std::string> SummaryLines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = output.substr(start, end - start);
    if (line.starts_with(kDryFirstLine)) line = kRealFirstLine + line.substr(kDryFirstLine.size());
    if (line.starts_with("initap: ")) lines.push_back(line);
  }
  return lines;
}

std::vector<Launch> PrintedStarts(const std::vector<std::string>& log) {
  std::vector<Launch> starts;
  for (const std::string& line : log) {
    for (const std::string outcome : {"started", "failed"}) {
      if (line.starts_with(outcome + " ")) starts.push_back({outcome, line.substr(outcome.size() + 1)});
    }
  }
  return starts;
}

// A device path of the report as a path below root/, compared as the device compares names.
std::string Comparable(std::string path) {
  if (path.starts_with("\\")) path.erase(0, 1);
  for (char& c : path) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

std::set<std::string> Listed(const card::JsonValue& report, const char* name) {
  std::set<std::string> paths;
  for (const card::JsonValue& path : report[name].Items()) paths.insert(Comparable(path.Text()));
  return paths;
}

using Tree = std::map<std::string, std::string>;

// The paths of `tree` that hold a folder, or anything else.
std::set<std::string> Held(const Tree& tree, bool folders) {
  std::set<std::string> paths;
  for (const auto& [path, content] : tree) {
    if ((content == "<folder>") == folders) paths.insert(Comparable(path));
  }
  return paths;
}

std::set<std::string> Without(const std::set<std::string>& all, const std::set<std::string>& taken) {
  std::set<std::string> left;
  std::set_difference(all.begin(), all.end(), taken.begin(), taken.end(), std::inserter(left, left.end()));
  return left;
}

std::string Named(const std::set<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += " " + path;
  return text.empty() ? " (none)" : text;
}

// The paths of `tree` that the device does not see: of names in one folder
// equal without regard to letter case all but the first in code point order,
// and everything below those.
std::set<std::string> HiddenTwins(const Tree& tree) {
  std::set<std::string> seen, folded, hidden;
  for (const auto& [path, content] : tree) {
    const std::size_t slash = path.rfind('/');
    const bool folderSeen = slash == std::string::npos || seen.contains(path.substr(0, slash));
    if (folderSeen && folded.insert(Comparable(path)).second) {
      seen.insert(path);
    } else {
      hidden.insert(path);
    }
  }
  return hidden;
}

Tree Without(Tree tree, const std::set<std::string>& paths) {
  for (const std::string& path : paths) tree.erase(path);
  return tree;
}

// Every change from `before` to `after` among the report's changes of its
// kind, and no more, as the device sees the trees: what it did not see before
// the boot it does not see after it either.
void CheckTreeAgainstReport(const Tree& hostBefore, const Tree& hostAfter, const card::JsonValue& report,
                            std::vector<std::string>& differences) {
  const std::set<std::string> hiddenBefore = HiddenTwins(hostBefore);
  const Tree before = Without(hostBefore, hiddenBefore);
  const Tree after = Without(Without(hostAfter, hiddenBefore), HiddenTwins(hostAfter));
  const auto compare = [&](const char* what, const std::set<std::string>& done, const std::set<std::string>& told) {
    if (done != told)
      differences.push_back(std::string(what) + ": the boot" + Named(done) + ", its report" + Named(told));
  };
  for (const bool folders : {false, true}) {
    const std::set<std::string> was = Held(before, folders), is = Held(after, folders);
    compare(folders ? "folders created" : "files added", Without(is, was),
            Listed(report, folders ? "folders_created" : "files_added"));
    compare(folders ? "folders removed" : "files deleted", Without(was, is),
            Listed(report, folders ? "folders_removed" : "files_deleted"));
  }
  std::set<std::string> rewritten = Listed(report, "files_replaced");
  rewritten.merge(Listed(report, "files_appended"));
  std::set<std::string> changed;
  for (const auto& [path, content] : after) {
    const auto old = before.find(path);
    if (old != before.end() && old->second != content && content != "<folder>" && old->second != "<folder>") {
      changed.insert(Comparable(path));  // a folder that became a file is added, not replaced
    }
  }
  if (const std::set<std::string> untold = Without(changed, rewritten); !untold.empty()) {
    differences.push_back("files changed but not reported as replaced or appended:" + Named(untold));
  }
}

}  // namespace

// The device's tree as the device sees its volumes: a mounted card in place of root/'s own.
Tree DeviceSnapshot(const fs::path& device, const std::string& mountedCard) {
  Tree tree = TreeSnapshot(device / "root");
  if (mountedCard.empty()) return tree;
  std::erase_if(tree, [](const auto& entry) {
    const std::string path = Comparable(entry.first);
    return path == "sd card" || path.starts_with("sd card/");
  });
  tree["sd card"] = "<folder>";
  for (auto& [path, content] : TreeSnapshot(device / mountedCard)) tree["sd card/" + path] = std::move(content);
  return tree;
}

DryAndReal BootDryAndReal(const DeviceTree& device, const std::string& mountedCard) {
  DryAndReal result;
  std::vector<std::string>& differences = result.differences;
  // Two copies made alike list their folders in the same order, which decides where a step stops.
  TempFolder scratch;
  const fs::path dryDevice = scratch.path() / "dry", real = scratch.path() / "real";
  for (const fs::path& copy : {dryDevice, real}) {
    fs::copy(device.Folder(), copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }
  const Tree before = DeviceSnapshot(real, mountedCard);

  const auto arguments = [&](const fs::path& copy, std::vector<std::string> more) {
    if (!mountedCard.empty()) more.insert(more.end(), {"--mount", "\\sd card=" + (copy / mountedCard).string()});
    return more;
  };
  const BootResult dry =
      Boot(dryDevice, arguments(dryDevice, {"--dry-run", "--report", (scratch.path() / "dry.json").string()}));
  const BootResult boot = Boot(real, arguments(real, {"--report", (scratch.path() / "real.json").string()}));
  const std::string dryReport = WithoutClockBefore(ReadHostFile(scratch.path() / "dry.json"));
  const std::string realReport = WithoutClockBefore(ReadHostFile(scratch.path() / "real.json"));
  const std::optional<card::JsonValue> report = card::ParseJson(realReport);
  result.report = realReport;
  if (!report) {
    differences.push_back("the boot wrote no report:\n" + boot.output);
    return result;
  }

  const bool reached = (*report)["reached_main_application"].Flag();
  if ((dry.exitCode == 4) == reached || (boot.exitCode != 0 && boot.exitCode != 1)) {
    differences.push_back("exit codes: dry " + std::to_string(dry.exitCode) + ", boot " +
                          std::to_string(boot.exitCode) + (reached ? ", main application reached" : ""));
  }
  const std::vector<std::string> dryLog = PrintedLog(dry.output), realLog = PrintedLog(boot.output);
  if (dryLog != realLog) differences.push_back("log lines: dry" + Joined(dryLog) + "\nboot" + Joined(realLog));
  const std::vector<Launch> starts = PrintedStarts(dryLog);
  std::vector<Launch> launched;
  if (fs::exists(real / "launched.log")) {
    for (const std::string& line : PrintedLog(ReadHostFile(real / "launched.log"))) {
      for (const Launch& start : PrintedStarts({line})) launched.push_back(start);
    }
  }
  if (starts != launched) differences.push_back("launched.log differs from the starts the dry run printed");
  if (dryReport != realReport) differences.push_back("reports: dry\n" + dryReport + "\nboot\n" + realReport);
  const std::vector<std::string> drySummary = SummaryLines(dry.output), realSummary = SummaryLines(boot.output);
  if (drySummary != realSummary) {
    differences.push_back("summaries: dry" + Joined(drySummary) + "\nboot" + Joined(realSummary));
  }
  for (const std::string& line : realLog) result.log += line + "\n";
  for (const std::string& line : realSummary) result.summary += line + "\n";
  CheckTreeAgainstReport(before, DeviceSnapshot(real, mountedCard), *report, differences);
  return result;
}

}  // namespace initap::test
