// initap on the host: boots one device folder.
#include <cstdio>
#include <string>
#include <vector>

#include "app/program_entry.h"
#include "platform/common/initap_command_line.h"
#include "platform/common/locked_output.h"
#include "platform/host/command_line.h"
#include "platform/host/host_platform.h"
#include "platform/host/report/report_file.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kShowNormal = 1;
// The differences from a wanted tree printed; the report holds them all.
constexpr std::size_t kDifferencesPrinted = 20;

using platform::PrintLine;

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
  std::vector<platform::host::TreeDifference> differences;
  if (line.expect) differences = host->HoldAgainst(*line.expect);
  for (std::size_t i = 0; i < differences.size() && i < kDifferencesPrinted; ++i) {
    PrintLine(stderr, "error: " + platform::host::DescribeDifference(differences[i]) + " [tree-differs]");
  }
  if (differences.size() > kDifferencesPrinted) {
    PrintLine(stderr, "error: " + std::to_string(differences.size() - kDifferencesPrinted) +
                          " more differences from the wanted tree, each in the report. [tree-differs]");
  }
  const std::vector<platform::host::Warning> warnings = host->CardWarnings().All();
  const platform::host::ChangeReport& changes = host->Changes();
  if (!line.quiet) PrintLine(stderr, changes.Summary(line.device.dryRun, warnings));
  if (line.report && !platform::host::WriteReport(*line.report, changes.Json(warnings), error)) {
    PrintLine(stderr, "initap: " + error);
  }
  // A run held against a wanted tree was asked for a verdict, dry or not.
  if (line.device.dryRun || line.expect) {
    exitCode =
        platform::host::DryRunExitCode(changes.ReachedMainApplication(), !warnings.empty(), !differences.empty());
  }
  platform::EndProcess(exitCode);
}
