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
        Case{"StoppedAtAFileItCouldNotRead",
             {"copy",
              {{"from", L"Music\\"}, {"to", L"\\FlashHd\\Music\\"}},
              false,
              {kFoundFolder,
               kCopied,
               {FileCallKind::Copy, L"\\sd card\\Music\\b.mp3", L"\\FlashHd\\Music\\b.mp3", FileStatus::AccessDenied}},
              std::nullopt,
              {},
              3},
             {"[step-partial] the step copied 1 of 3 files: \\sd card\\Music\\b.mp3 cannot be read or written there."}},
        Case{"StoppedWhereAJoinedPathGrewTooLong",
             {"copy",
              {{"from", L"Music\\"}, {"to", L"\\FlashHd\\Music\\"}},
              false,
              {kFoundFolder, kCopied},
              std::nullopt,
              {},
              2,
              250},
             {"[step-partial] the step copied 1 of 2 files: joined with the names in the source folder, a path becomes "
              "265 characters long, longer than a device path can be, and the device stops there."}},
        Case{"DeletesTheRoot",
             {"delete", {{"path", L"\\"}}, false, {{FileCallKind::RemoveFolder, L"\\", {}, FileStatus::AccessDenied}}},
             {"[deletes-volume] path=\"\\\" deletes every volume of the device (\\sd card, \\Storage Card, \\FlashHd, "
              "\\System and \\Windows) with all they hold."}},
        Case{"NoSuchVolume",
             {"delete",
              {{"path", L"\\Flash\\old\\"}},
              false,
              {{FileCallKind::Find, L"\\Flash\\old\\*.*", {}, FileStatus::PathNotFound}}},
             {"[unknown-volume] path=\"\\Flash\\old\\\" lies in \\Flash, which is no volume of the device (those are "
              "\\sd card, \\Storage Card, \\FlashHd, \\System and \\Windows), so the step works on a folder of that "
              "name in the root."}},
        Case{"DeviceNameIsNoFile",
             {"delete", {{"path", L"\\FlashHd\\COM1:"}}, false, {}},
             {"[not-a-file-path] path=\"\\FlashHd\\COM1:\" names a device or a raw path, not a file the device keeps, "
              "so the step does nothing."}},
        Case{"MissingAttributeIsToldElsewhere", {"copy", {{"from", L"/a"}}, true, {}}, {}},
        Case{"NothingDone",
             {"delete", {{"path", L"a\\b"}}, false, {}},
             {"[path-too-long] the step does nothing: once resolved, a path of it is longer than a device path can "
              "be."}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace initap::test
