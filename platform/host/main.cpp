// initap on the host: boots one device folder.
#include <cstdio>
#include <string>
#include <vector>

#include "app/program_entry.h"
#include "platform/common/boot_records.h"
#include "platform/common/initap_command_line.h"
#include "platform/common/locked_output.h"
#include "platform/host/command_line.h"
#include "platform/host/host_platform.h"
#include "platform/host/report/expected_tree.h"
#include "platform/host/report/report_file.h"
#include "platform/host/utf8.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kShowNormal = 1;
// Of the differences from a wanted tree, so many go to standard error; the report holds them all.
constexpr std::size_t kDifferencesShown = 20;

using platform::PrintLine;

// The paths the boot writes as its own record: held against a wanted tree only where it holds them.
std::vector<std::string> Records(const platform::host::ChangeReport& changes) {
  std::vector<std::string> records = changes.Shortcuts();
  for (const std::wstring_view path : platform::kBootRecords) records.push_back(platform::host::ToUtf8(path));
  return records;
}

}  // namespace

int main(int argc, char** argv) {
  platform::host::CommandLine line;
  std::string error;
  if (!platform::host::ParseCommandLine(argc, argv, line, error)) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }
  if (line.help) {
    std::fputs(platform::InitapUsage().data(), stdout);
    return 0;
  }

  if (line.report && !platform::host::CanWriteReport(*line.report, error)) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }

  platform::host::HostConsole console;
  if (!line.quiet) console.line = [](std::string_view text) { PrintLine(stdout, text); };
  if (!line.quiet) console.notice = [](std::string_view text) { PrintLine(stderr, text); };
  auto host = platform::host::HostPlatform::Create(line, console, error);
  if (!host) {
    PrintLine(stderr, "initap: " + error);
    return kUsageError;
  }

  int exitCode = initap::ProgramEntry(host->Services(), kShowNormal);
  host->Finish();
  std::vector<platform::host::Warning> warnings = host->CardWarnings().All();
  const platform::host::ChangeReport& changes = host->Changes();
  if (line.expect) {
    const std::vector<platform::host::Warning> differences =
        platform::host::CompareWithTree(host->DeviceFiles(), *line.expect, Records(changes));
    for (std::size_t i = 0; i < differences.size() && i < kDifferencesShown; ++i) {
      PrintLine(stderr, platform::host::FormatWarning(differences[i]));
    }
    if (differences.size() > kDifferencesShown) {
      PrintLine(stderr, "initap: " + std::to_string(differences.size() - kDifferencesShown) +
                            " more differences from the wanted tree; the report holds them all");
    }
    warnings.insert(warnings.end(), differences.begin(), differences.end());
  }
  if (!line.quiet) PrintLine(stderr, changes.Summary(line.device.dryRun, warnings));
  if (line.report && !platform::host::WriteReport(*line.report, changes.Json(warnings), error)) {
    PrintLine(stderr, "initap: " + error);
  }
  // A verdict was asked for.
  if (line.device.dryRun || line.expect) {
    exitCode = platform::host::VerdictExitCode(changes.ReachedMainApplication(), warnings);
  }
  platform::EndProcess(exitCode);
}
