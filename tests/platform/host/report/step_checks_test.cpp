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
  std::vector<std::string> warnings;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class StepChecksTest : public ::testing::TestWithParam<Case> {};

TEST_P(StepChecksTest, WarnsOfWhatTheStepDid) { EXPECT_EQ(StepWarnings(GetParam().step), GetParam().warnings); }

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
             {"to=\"\\FlashHd\\Music/\" ends with \"/\", which does not mark a folder here: the device takes it as a "
              "file name.",
              "a folder cannot be copied onto a file name (to= does not end with \"\\\"), so nothing is copied."}},
        Case{"SourceMissing",
             {"Copy",
              {{"from", L"x.bin"}, {"to", L"\\FlashHd\\x.bin"}},
              false,
              {{FileCallKind::Find, L"\\sd card\\x.bin", {}, FileStatus::FileNotFound}}},
             {"the source \\sd card\\x.bin does not exist, so nothing is copied."}},
        Case{"DeleteOfAMissingFileIsNoFault",
             {"delete",
              {{"path", L"\\FlashHd\\old.txt"}},
              false,
              {{FileCallKind::Delete, L"\\FlashHd\\old.txt", {}, FileStatus::FileNotFound}}},
             {}},
        Case{"MissingAttributeIsToldElsewhere", {"copy", {{"from", L"/a"}}, true, {}}, {}},
        Case{"NothingDone",
             {"delete", {{"path", L"a\\b"}}, false, {}},
             {"the step does nothing: once resolved, a path of it is longer than a device path can be."}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace initap::test
