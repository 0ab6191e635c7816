// A step's warnings come from what it did at the file system, not from its texts alone.
#include <gtest/gtest.h>

#include "platform/host/report/step_checks.h"

namespace initap::test {
namespace {

using platform::FileCall;
using platform::FileCallKind;
using platform::FileStatus;
using platform::host::StepRecord;
using platform::host::StepWarnings;

struct Case {
  const char* name;
  StepRecord step;
  std::vector<std::string> findings;  // "[id] text"
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class StepChecksTest : public ::testing::TestWithParam<Case> {};

TEST_P(StepChecksTest, FindsWhatTheStepDid) {
  std::vector<std::string> found;
  for (const platform::host::Warning& finding : StepWarnings(GetParam().step)) {
    EXPECT_EQ(finding.severity, platform::host::Severity::Error) << finding.text;
    found.push_back("[" + finding.id + "] " + finding.text);
  }
  EXPECT_EQ(found, GetParam().findings);
}

const FileCall kFoundFolder{FileCallKind::Find, L"\\sd card\\Music\\", {}, FileStatus::Ok};
const FileCall kCopied{FileCallKind::Copy, L"\\sd card\\Music\\a.mp3", L"\\FlashHd\\Music\\a.mp3", FileStatus::Ok};

INSTANTIATE_TEST_SUITE_P(
    EachStep, StepChecksTest,
    ::testing::Values(
        // The worker turned the relative text's slashes into backslashes: a folder it was.
        Case{"RelativeSlashMarksAFolder",
             {"copy", {{"from", L"Music/"}, {"to", L"\\FlashHd\\Music\\"}}, false, {kFoundFolder, kCopied}},
             {}},
        Case{"AbsoluteSlashIsAName",
             {"copy", {{"from", L"Music/"}, {"to", L"\\FlashHd\\Music/"}}, false, {kFoundFolder}},
             {"[slash-is-no-folder] to=\"\\FlashHd\\Music/\" ends with \"/\", which does not mark a folder here: the "
              "device takes it as a "
              "file name.",
              "[folder-onto-file] a folder cannot be copied onto a file name (to= does not end with \"\\\"), so "
              "nothing is copied."}},
        Case{"SourceMissing",
             {"Copy",
              {{"from", L"x.bin"}, {"to", L"\\FlashHd\\x.bin"}},
              false,
              {{FileCallKind::Find, L"\\sd card\\x.bin", {}, FileStatus::FileNotFound}}},
             {"[missing-source] the source \\sd card\\x.bin does not exist, so nothing is copied."}},
        Case{"DeleteOfAMissingFileDoesNothing",
             {"delete",
              {{"path", L"\\FlashHd\\old.txt"}},
              false,
              {{FileCallKind::Delete, L"\\FlashHd\\old.txt", {}, FileStatus::FileNotFound}}},
             {"[step-does-nothing] nothing is deleted: \"\\FlashHd\\old.txt\" does not exist."}},
        Case{"MissingAttributeIsToldElsewhere", {"copy", {{"from", L"/a"}}, true, {}}, {}},
        Case{"NothingDone",
             {"delete", {{"path", L"a\\b"}}, false, {}},
             {"[path-too-long] the step does nothing: once resolved, a path of it is longer than a device path can "
              "be."}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace initap::test
