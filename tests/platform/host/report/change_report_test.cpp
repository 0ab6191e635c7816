// The outcome of a run as a script sees it: whether it reached the main
// application, the exit code of a dry run, and the report's warnings.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/host/report/change_report.h"

namespace platform::host {
namespace {

struct Start {
  const wchar_t* request;
  bool started;
};

struct Outcome {
  const char* what;
  std::vector<Start> starts;
  std::vector<Severity> findings;
  bool reached;
  int exitCode;
};

TEST(ChangeReport, TheVerdictExitCodeTellsWhetherAndHowTheMainApplicationWasReached) {
  const Start main = {L"\\System\\Main_Ap.exe", true};
  const Outcome outcomes[] = {
      {"main application", {main}, {}, true, 0},
      {"with warnings", {main}, {Severity::Warning, Severity::Warning}, true, 3},
      {"with an error", {main}, {Severity::Warning, Severity::Error}, true, 5},
      {"window left open", {}, {Severity::Error}, false, 4},
      {"fails to start", {{L"\\System\\Main_Ap.exe", false}, {L"explorer", true}}, {}, false, 4},
      {"diagnostic path", {{L"explorer", true}}, {}, false, 4},
      {"image-update hand-off", {{L"\\windows\\krtnkupdate.exe", true}}, {}, false, 4},
  };
  for (const Outcome& outcome : outcomes) {
    ChangeReport report;
    for (const Start& start : outcome.starts) report.ProgramStart(start.request, start.started);
    std::vector<Warning> findings;
    for (const Severity severity : outcome.findings) findings.push_back({"", 0, "a finding", "an-id", severity});
    EXPECT_EQ(report.ReachedMainApplication(), outcome.reached) << outcome.what;
    EXPECT_EQ(VerdictExitCode(report.ReachedMainApplication(), findings), outcome.exitCode) << outcome.what;
  }
}

TEST(ChangeReport, KnowsWhatHeldNothingBeforeTheRun) {
  struct Case {
    const char* what;
    EntryKind before;  // what the path held when first looked at
    std::optional<EntryKind> now;
    const char* asked;
    bool heldNothing;
  };
  const Case cases[] = {
      {"a folder made in the run", EntryKind::None, EntryKind::Folder, "\\FlashHd\\Maps", true},
      {"asked without regard to case", EntryKind::None, EntryKind::Folder, "\\flashhd\\MAPS", true},
      {"made and removed again", EntryKind::None, EntryKind::None, "\\FlashHd\\Maps", true},
      {"a folder that was there", EntryKind::Folder, std::nullopt, "\\FlashHd\\Maps", false},
      {"a file deleted", EntryKind::File, EntryKind::None, "\\FlashHd\\Maps", false},
      {"a path never looked at", EntryKind::None, EntryKind::Folder, "\\FlashHd\\Other", false},
      {"a path below one that is known", EntryKind::None, EntryKind::Folder, "\\FlashHd\\Maps\\a.map", false},
  };
  for (const Case& c : cases) {
    ChangeReport report;
    report.Before("\\FlashHd\\Maps", c.before);
    if (c.now) report.Now("\\FlashHd\\Maps", *c.now);
    EXPECT_EQ(report.HeldNothing(c.asked), c.heldNothing) << c.what;
  }
}

TEST(ChangeReport, WarningsProgramsAndTheClockAreReported) {
  ChangeReport report;
  report.ProgramStart(L"\\System\\Main_Ap.exe", true);
  report.ClockSet(SystemTime{2026, 12, 2, 8, 2, 0, 5, 0}, SystemTime{2024, 5, 3, 1, 10, 30, 0, 0});
  const std::vector<Warning> warnings = {
      {"\\sd card\\update.xml", 12, "<cpy> is not a step the device knows.", "unknown-step", Severity::Error},
      {"\\sd card\\update.xml", 0, "the card holds a marker.", "mass-production-marker", Severity::Warning}};

  const std::string json = report.Json(warnings);
  EXPECT_NE(json.find("\"reached_main_application\": true"), std::string::npos) << json;
  EXPECT_NE(json.find("{\"path\": \"\\\\System\\\\Main_Ap.exe\", \"started\": true}"), std::string::npos) << json;
  EXPECT_NE(json.find("\"clock\": {\"from\": \"2026-12-08 02:00:05\", \"to\": \"2024-05-01 10:30:00\"}"),
            std::string::npos)
      << json;
  EXPECT_NE(
      json.find("{\"id\": \"unknown-step\", \"severity\": \"error\", \"description\": "
                "\"\\\\sd card\\\\update.xml\", \"line\": 12, \"text\": \"<cpy> is not a step the device knows.\"}"),
      std::string::npos)
      << json;
  EXPECT_NE(json.find("\"severity\": \"warning\", \"description\": \"\\\\sd card\\\\update.xml\", \"line\": null"),
            std::string::npos)
      << json;
  const std::string summary = report.Summary(true, warnings);
  EXPECT_EQ(summary.rfind("initap: dry run, nothing was changed; the boot would change: 0 files added", 0), 0u);
  EXPECT_NE(summary.find("\ninitap: 1 error, 1 warning"), std::string::npos) << summary;
}

}  // namespace
}  // namespace platform::host
