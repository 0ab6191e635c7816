// What a card maker is told of a card: each finding names its severity, the
// step by its line in update.xml and a stable id, goes to standard error and
// never to the update log, and is the same in a dry run and a boot. The
// report's step entries of a dry run are those of the boot, which did what
// they say.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <utility>

#include "tests/e2e/device_boot.h"
#include "tests/support/fifo.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"
#include "tools/card/json_value.h"

namespace initap::test {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

// A file's content that makes it a FIFO instead.
const std::string kFifo = "<fifo>";

struct Card {
  const char* name;
  const char* volume;  // where update.xml lies
  // Below root/ ("sd card/a.txt"), or beside it when the name has no folder ("device.ini").
  std::vector<std::pair<std::string, std::string>> files;
  std::string inner;       // its settings and list start on line 5; a whole document when it has its own declaration
  std::string finding;     // the line on standard error
  int exitCode;            // of the dry run
  std::string never = {};  // a text that no finding holds
};

void PrintTo(const Card& card, std::ostream* out) { *out << card.name; }

std::string Error(std::string_view place, std::string_view text, std::string_view id) {
  return "error: " + std::string(place) + ": " + std::string(text) + " [" + std::string(id) + "]";
}
std::string Warning(std::string_view place, std::string_view text, std::string_view id) {
  return "warning: " + std::string(place) + ": " + std::string(text) + " [" + std::string(id) + "]";
}

// The report a run wrote, read whole.
card::JsonValue ReadReport(const std::filesystem::path& file) {
  const std::optional<card::JsonValue> report = card::ParseJson(ReadHostFile(file));
  EXPECT_TRUE(report) << file;
  return report.value_or(card::JsonValue{});
}

// The text of a report's step entries, as the run wrote them.
std::string StepsText(const std::filesystem::path& file) {
  const std::string json = ReadHostFile(file);
  const std::size_t start = json.find("\"steps\": [");
  const std::size_t end = json.find("\"findings\": [");
  return start == std::string::npos || end == std::string::npos ? std::string() : json.substr(start, end - start);
}

// "\FlashHd\a.txt" as a path below root/.
std::string BelowRoot(const std::string& devicePath) {
  std::string out = devicePath.substr(devicePath.starts_with('\\') ? 1 : 0);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

class CardFindingTest : public BootTest, public ::testing::WithParamInterface<Card> {};

TEST_P(CardFindingTest, IsNamedAloneOnALineAndTheStepsAreWhatTheBootDid) {
  const Card& card = GetParam();
  for (const auto& [path, content] : card.files) {
    if (path.find('/') == std::string::npos) {
      device.WriteDeviceFile(path, content);
    } else if (content == kFifo) {
      MakeFifo(device.Host(path));
    } else {
      device.WriteFile(path, content);
    }
  }
  device.MakeFolder(card.volume);
  const bool whole = card.inner.starts_with("<?xml") || card.inner.starts_with("\xEF\xBB\xBF");
  device.WriteFile(std::string(card.volume) + "/update.xml", whole ? card.inner : Description(card.inner));
  const TempFolder reports;

  const BootResult dry = Boot(device.Folder(), {"--dry-run", "--report", (reports.path() / "dry.json").string()});
  EXPECT_EQ(dry.exitCode, card.exitCode) << dry.output;
  EXPECT_THAT(dry.output, HasSubstr(card.finding + "\n"));
  const BootResult real = Boot(device.Folder(), {"--report", (reports.path() / "real.json").string()});
  EXPECT_THAT(real.output, HasSubstr(card.finding + "\n"));
  for (const BootResult* run : {&dry, &real}) {
    if (!card.never.empty()) {
      EXPECT_THAT(run->output, Not(HasSubstr(card.never)));
    }
  }
  for (const std::string& message : LogMessages(device)) {
    EXPECT_THAT(message, Not(ContainsRegex("warning|error:")));
  }

  EXPECT_EQ(StepsText(reports.path() / "dry.json"), StepsText(reports.path() / "real.json"));
  const card::JsonValue report = ReadReport(reports.path() / "real.json");
  std::vector<std::string> deletedLater;
  for (const card::JsonValue& path : report["files_deleted"].Items()) deletedLater.push_back(path.Text());
  std::vector<std::string> counts;
  for (const std::string& message : LogMessages(device)) {
    if (std::smatch count; std::regex_search(message, count, std::regex("^([0-9]+) files has been"))) {
      counts.push_back(count[1]);
    }
  }
  std::vector<std::string> counted;
  for (const card::JsonValue& step : report["steps"].Items()) {
    const std::string status = step["status"].Text();
    EXPECT_THAT(status, ::testing::AnyOf("done", "partial", "nothing", "skipped"));
    EXPECT_EQ(step["why"].Text().empty(), status == "done") << step["line"].Number();
    if (step["counted"].Number(-1) >= 0) counted.push_back(std::to_string(static_cast<long>(step["counted"].Number())));
    for (const card::JsonValue& copied : step["copied"].Items()) {
      const bool gone = std::find(deletedLater.begin(), deletedLater.end(), copied.Text()) != deletedLater.end();
      EXPECT_TRUE(gone || device.Exists(BelowRoot(copied.Text()))) << copied.Text();
    }
    for (const card::JsonValue& deleted : step["deleted"].Items()) {
      // The boot starts its log anew after a step deleted it.
      if (deleted.Text() == "\\FlashHd\\updatelog.txt") continue;
      EXPECT_FALSE(device.Exists(BelowRoot(deleted.Text()))) << deleted.Text();
    }
  }
  // A log that the card deleted holds only the lines after it.
  ASSERT_LE(counts.size(), counted.size());
  EXPECT_EQ(counts,
            std::vector<std::string>(counted.end() - static_cast<std::ptrdiff_t>(counts.size()), counted.end()));
}

const std::string kLong(300, 'x');
const std::string kCard = "\\sd card\\update.xml";
const std::string kStep = kCard + ":6";
// A folder name that, twice over below \FlashHd, makes a path longer than the device's paths.
const std::string kDeepName(130, 'd');

INSTANTIATE_TEST_SUITE_P(
    EachFinding, CardFindingTest,
    ::testing::Values(
        Card{"UnknownStep",
             "sd card",
             {},
             "<update>\n<cpy from=\"a\" to=\"\\FlashHd\\a\"/>\n</update>",
             Error(kStep, "<cpy> is not a step the device knows; it is skipped.", "unknown-step"),
             5},
        Card{"UnknownSetting",
             "sd card",
             {},
             "<progress_colour>255</progress_colour>\n<update/>",
             Warning(kCard + ":5", "<progress_colour> is not read by the device; it is ignored.", "unknown-element"),
             3},
        Card{"SecondSetting",
             "sd card",
             {},
             "<logo_showtime>9</logo_showtime>\n<update/>",
             Warning(kCard + ":5", "<logo_showtime> appears again; only the first one counts, so this one is ignored.",
                     "repeated-element"),
             3},
        Card{"UnreadAttribute",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"\\FlashHd\\a.txt\" form=\"x\"/>\n</update>",
             Warning(kStep, "form= is not an attribute the device reads on <copy>; it is ignored.", "unread-attribute"),
             3},
        Card{"MissingAttribute",
             "sd card",
             {},
             "<update>\n<copy form=\"a.txt\" to=\"\\FlashHd\\a.txt\"/>\n</update>",
             Error(kStep, "<copy> has no from= attribute, so the device skips it.", "missing-attribute"),
             5},
        Card{"MisspeltAttributeOfASkippedStep",
             "sd card",
             {},
             "<update>\n<copy form=\"\\sd card\\a.bin\" to=\"\\FlashHd\\a.bin\"/>\n</update>",
             Warning(kStep, "form= is not an attribute the device reads on <copy>; it is ignored.", "unread-attribute"),
             5,
             "to= is not"},
        Card{"EmptyAttribute",
             "sd card",
             {},
             "<update>\n<delete path=\"\"/>\n</update>",
             Error(kStep, "path= is empty, so the device skips this step.", "empty-attribute"),
             5},
        Card{"LeadingSlash",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"/FlashHd/a.txt\"/>\n</update>",
             Error(kStep,
                   "to=\"/FlashHd/a.txt\" begins with \"/\", which does not make a path absolute, so it is taken "
                   "relative to the description's folder: it names \\sd card\\FlashHd\\a.txt.",
                   "slash-is-relative"),
             5},
        Card{"TrailingSlash",
             "sd card",
             {{"sd card/Music/a.mp3", "a"}},
             "<update>\n<copy from=\"Music/\" to=\"\\FlashHd\\Music/\"/>\n</update>",
             Error(kStep,
                   "to=\"\\FlashHd\\Music/\" ends with \"/\", which does not mark a folder here: the device takes "
                   "it as a file name.",
                   "slash-is-no-folder"),
             5},
        Card{"DriveLetter",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"C:\\FlashHd\\a.txt\"/>\n</update>",
             Error(kStep,
                   "to=\"C:\\FlashHd\\a.txt\" has a drive letter, which the device does not know, so it is taken "
                   "as a relative path.",
                   "drive-letter"),
             5},
        Card{"FolderOntoFile",
             "sd card",
             {{"sd card/Maps/m.bin", "m"}},
             "<update>\n<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\"/>\n</update>",
             Error(kStep,
                   "a folder cannot be copied onto a file name (to= does not end with \"\\\"), so nothing is copied.",
                   "folder-onto-file"),
             5},
        Card{"IntoItself",
             "sd card",
             {{"FlashHd/A/x.bin", "x"}},
             "<update>\n<copy from=\"\\FlashHd\\A\\\" to=\"\\FlashHd\\A\\B\\\"/>\n</update>",
             Error(kStep, "the destination lies inside the source folder, so nothing is copied.", "copy-into-itself"),
             5},
        Card{"OntoItselfInAVolumesTopFolder",
             "sd card",
             {{"FlashHd/x.bin", "x"}},
             "<update>\n<copy from=\"\\FlashHd\\x.bin\" to=\"\\flashhd\\X.BIN\"/>\n</update>",
             Error(kStep, "nothing is copied: the file would be copied onto itself.", "step-does-nothing"),
             5},
        Card{"OntoItselfInASubfolder",
             "sd card",
             {{"FlashHd/A/x.bin", "x"}},
             "<update>\n<copy from=\"\\FlashHd\\A\\x.bin\" to=\"\\FlashHd\\A\\x.bin\"/>\n</update>",
             Error(kStep, "nothing is copied: the file would be copied onto itself.", "step-does-nothing"),
             5},
        Card{"MissingSource",
             "sd card",
             {},
             "<update>\n<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/>\n</update>",
             Error(kStep, "the source \\sd card\\Maps\\ does not exist, so nothing is copied.", "missing-source"),
             5},
        Card{"IntoTheRoot",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"\\a.txt\"/>\n</update>",
             Error(kStep,
                   "to=\"\\a.txt\" lies directly in the root folder, outside every volume, where the device copies "
                   "nothing.",
                   "outside-volumes"),
             5},
        Card{"OverLong",
             "sd card",
             {},
             "<update>\n<delete path=\"\\FlashHd\\" + kLong + "\"/>\n</update>",
             Error(kStep, "path= is 309 characters long, longer than a device path can be, so the step does nothing.",
                   "path-too-long"),
             5},
        Card{"OverLongSourceLeavesTheRestUnread",
             "sd card",
             {},
             "<update>\n<copy from=\"" + kLong + "\" to=\"\\FlashHd\\x\"/>\n</update>",
             Error(kStep, "from= is 300 characters long, longer than a device path can be, so the step does nothing.",
                   "path-too-long"),
             5,
             "to= is not"},
        Card{"Applied",
             "sd card",
             {},
             "<update_already>1</update_already>\n<update>\n<delete path=\"\\x\"/>\n</update>",
             Error(kStep,
                   "<update> is skipped: the description is marked as applied (<update_already>1</update_already>), so "
                   "its 1 step is not carried out.",
                   "list-already-applied"),
             5},
        Card{"MassProduction",
             "sd card",
             {{"sd card/RV270_AP_UPDATE_MP.txt", ""}, {"FlashHd/x", "x"}},
             "<update>\n<delete path=\"\\FlashHd\\x\"/>\n</update>",
             Warning(kCard,
                     "the card holds \\sd card\\RV270_AP_UPDATE_MP.txt, so this description stays on it and every "
                     "device the card goes into carries out its list.",
                     "mass-production-marker"),
             3},
        Card{"MissingLaunchTarget",
             "sd card",
             {},
             "<launch>\\System\\Gone.exe</launch>\n<update/>",
             Error(kCard + ":5", "\\System\\Gone.exe does not exist, so the device starts explorer instead.",
                   "missing-program"),
             4},
        Card{"RelativeOnStorageCard",
             "Storage Card",
             {},
             "<launch>Nav.exe</launch>",
             Error("\\Storage Card\\update.xml:5",
                   "<launch> \"Nav.exe\" is a relative path, which does not resolve from this description: the device "
                   "finds no file by it.",
                   "relative-path-unresolved"),
             4},
        Card{"ListOnStorageCard",
             "Storage Card",
             {},
             "<update>\n<delete path=\"\\x\"/>\n<delete path=\"\\y\"/>\n</update>",
             Error("\\Storage Card\\update.xml:5",
                   "<update> is not read from this description, so its 2 steps are not carried out.",
                   "list-not-carried-out"),
             5},
        Card{"DeletesTheFlashVolume",
             "sd card",
             {{"FlashHd/a.txt", "a"}},
             "<update>\n<delete path=\"\\FlashHd\\\"/>\n</update>",
             Error(kStep,
                   "path=\"\\FlashHd\\\" deletes the whole volume \\FlashHd with all it holds, the update log with "
                   "it.",
                   "deletes-volume"),
             5},
        Card{"DeletesTheSystemVolume",
             "sd card",
             {},
             "<update>\n<delete path=\"\\System\\\"/>\n</update>",
             Error(kStep, "path=\"\\System\\\" deletes the whole volume \\System with all it holds.", "deletes-volume"),
             4},
        Card{"DeletesEveryVolume",
             "sd card",
             {},
             "<update>\n<delete path=\"\\\"/>\n</update>",
             Error(kStep,
                   "path=\"\\\" deletes every volume of the device (\\sd card, \\Storage Card, \\FlashHd, "
                   "\\System and \\Windows) with all they hold.",
                   "deletes-volume"),
             5},
        Card{"FolderNamedWithoutBackslash",
             "sd card",
             {{"sd card/Maps/Voices/a.voc", "v"}},
             "<update>\n<copy from=\"Maps\\Voices\" to=\"\\FlashHd\\Voices\\\"/>\n</update>",
             Error(kStep,
                   "nothing is copied: \\sd card\\Maps\\Voices is a folder, and a folder's path ends with \"\\\".",
                   "step-does-nothing"),
             5},
        Card{"FolderDeletedAsAFile",
             "sd card",
             {{"FlashHd/OldMaps/a.map", "a"}},
             "<update>\n<delete path=\"\\FlashHd\\OldMaps\"/>\n</update>",
             Error(kStep, "nothing is deleted: \\FlashHd\\OldMaps is a folder, and a folder's path ends with \"\\\".",
                   "step-does-nothing"),
             5},
        Card{"MisspeltFolder",
             "sd card",
             {{"FlashHd/OldMaps/a.map", "a"}},
             "<update>\n<delete path=\"\\FlashHd\\OldMapz\\\"/>\n</update>",
             Error(kStep, "nothing is deleted: \"\\FlashHd\\OldMapz\\\" does not exist.", "step-does-nothing"),
             5},
        Card{"TrailingSpace",
             "sd card",
             {{"FlashHd/readme_old.txt", "r"}},
             "<update>\n<delete path=\"\\FlashHd\\readme_old.txt \"/>\n</update>",
             Error(kStep,
                   "nothing is deleted: \"\\FlashHd\\readme_old.txt \" is no name the device can hold (its name ends "
                   "with a space).",
                   "step-does-nothing"),
             5},
        Card{"FileOntoAFolder",
             "sd card",
             {{"sd card/readme.txt", "r"}, {"FlashHd/OldMaps/a.map", "a"}},
             "<update>\n<copy from=\"readme.txt\" to=\"\\FlashHd\\OldMaps\"/>\n</update>",
             Error(kStep, "nothing is copied: \\FlashHd\\OldMaps is a folder: to copy into it, end to= with \"\\\".",
                   "step-does-nothing"),
             5},
        Card{"FileOntoItself",
             "sd card",
             {{"FlashHd/a.txt", "a"}},
             "<update>\n<copy from=\"\\FlashHd\\a.txt\" to=\"\\FlashHd\\a.txt\"/>\n</update>",
             Error(kStep, "nothing is copied: the file would be copied onto itself.", "step-does-nothing"),
             5},
        Card{"VolumeMisspelt",
             "sd card",
             {{"sd card/Maps/a.map", "a"}},
             "<update>\n<copy from=\"Maps\\\" to=\"\\SDCard\\Maps\\\"/>\n</update>",
             Error(kStep,
                   "to=\"\\SDCard\\Maps\\\" lies in \\SDCard, which is no volume of the device (those are \\sd "
                   "card, \\Storage Card, \\FlashHd, \\System and \\Windows), so the step works on a folder of that "
                   "name in the root.",
                   "unknown-volume"),
             5},
        Card{"VolumeWithASpace",
             "sd card",
             {{"sd card/Maps/a.map", "a"}},
             "<update>\n<copy from=\"Maps\\\" to=\"\\Flash Hd\\Maps\\\"/>\n</update>",
             Error(kStep,
                   "to=\"\\Flash Hd\\Maps\\\" lies in \\Flash Hd, which is no volume of the device (those are \\sd "
                   "card, \\Storage Card, \\FlashHd, \\System and \\Windows), so the step works on a folder of that "
                   "name in the root.",
                   "unknown-volume"),
             5},
        Card{"StepAboveTheRoot",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"\\..\\tmp\\x\"/>\n</update>",
             Error(kStep,
                   "to=\"\\..\\tmp\\x\" lies in \\tmp, which is no volume of the device (those are \\sd card, "
                   "\\Storage Card, \\FlashHd, \\System and \\Windows), so the step works on a folder of that name "
                   "in the root.",
                   "unknown-volume"),
             5},
        Card{"RawPath",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"\\\\?\\sd card\\a.txt\" to=\"\\FlashHd\\a.txt\"/>\n</update>",
             Error(kStep,
                   "from=\"\\\\?\\sd card\\a.txt\" names a device or a raw path, not a file the device keeps, so "
                   "the step does nothing.",
                   "not-a-file-path"),
             5},
        Card{"DeviceName",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"\\FlashHd\\DSK1:\"/>\n</update>",
             Error(kStep,
                   "to=\"\\FlashHd\\DSK1:\" names a device or a raw path, not a file the device keeps, so the step "
                   "does nothing.",
                   "not-a-file-path"),
             5},
        // A folder holding more files stops as far as its listing's order reached: partly done.
        Card{"JoinedPathTooLong",
             "sd card",
             {{"sd card/Deep/" + kDeepName + "/c", "c"}},
             "<update>\n<copy from=\"Deep\\\" to=\"\\FlashHd\\" + kDeepName + "\\\"/>\n</update>",
             Error(kStep,
                   "nothing is copied: joined with the names in the source folder, a path becomes 272 characters "
                   "long, longer than a device path can be, and the device stops there.",
                   "step-does-nothing"),
             5},
        Card{
            "FifoInAFolder",
            "sd card",
            {{"sd card/Pipe/b", kFifo}},
            "<update>\n<copy from=\"Pipe\\\" to=\"\\FlashHd\\Pipe\\\"/>\n</update>",
            Error(kStep, "nothing is copied: \\sd card\\Pipe\\b cannot be read or written there.", "step-does-nothing"),
            5},
        Card{"ShortcutNameOutsideTheCodePage",
             "sd card",
             {{"device.ini", "[device]\ntimezone = UTC\ncodepage = 1251\n"},
              {"System/shortcut.xml",
               "<shortcuts>\n<shortcut name=\"\u30CA\u30D3\" path=\"\\System\\Main_Ap.exe\"/>\n</shortcuts>\n"}},
             "<update/>",
             Error("\\System\\shortcut.xml:2",
                   "<shortcut name=\"\u30CA\u30D3\">: the device's code page cannot hold this name, so the shortcut is "
                   "not written.",
                   "shortcut-codepage"),
             5},
        Card{"ShortcutPathOutsideTheCodePage",
             "sd card",
             {{"device.ini", "[device]\ntimezone = UTC\ncodepage = 1251\n"},
              {"System/shortcut.xml",
               "<shortcuts>\n<shortcut name=\"Nav\" path=\"\\FlashHd\\\u30A2\\\u30CA.exe\"/>\n</shortcuts>\n"},
              {"FlashHd/\u30A2/\u30CA.exe", "x"}},
             "<update/>",
             Error("\\System\\shortcut.xml:2",
                   "<shortcut path=\"\\FlashHd\\\u30A2\\\u30CA.exe\">: the device's code page cannot hold this path, "
                   "so the shortcut points to \"\\FlashHd\\?\\?.exe\", which opens nothing.",
                   "shortcut-codepage"),
             5},
        Card{"ShortcutToAProgramTheCardDeletes",
             "sd card",
             {{"System/shortcut.xml",
               "<shortcuts>\n<shortcut name=\"Nav\" path=\"\\FlashHd\\Nav.exe\"/>\n</shortcuts>\n"},
              {"FlashHd/Nav.exe", "x"}},
             "<update>\n<delete path=\"\\FlashHd\\Nav.exe\"/>\n</update>",
             Error("\\System\\shortcut.xml:2",
                   "<shortcut path=\"\\FlashHd\\Nav.exe\">: the card deletes \\FlashHd\\Nav.exe, so this shortcut "
                   "opens nothing.",
                   "shortcut-to-deleted-program"),
             5},
        Card{"ShortcutToAMissingProgram",
             "sd card",
             {{"System/shortcut.xml",
               "<shortcuts>\n<shortcut name=\"Nav\" path=\"\\FlashHd\\Nav.exe\"/>\n</shortcuts>\n"}},
             "<update/>",
             Warning("\\System\\shortcut.xml:2",
                     "<shortcut path=\"\\FlashHd\\Nav.exe\">: \\FlashHd\\Nav.exe does not exist on this device, so "
                     "the shortcut opens nothing here.",
                     "shortcut-target-missing"),
             3},
        Card{"BytesAgainstTheDeclaredEncoding",
             "sd card",
             {},
             "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<config>\n<update>\n"
             "<delete path=\"\\FlashHd\\x\"/>\n</update>\n</config>\n",
             Error(kCard + ":1",
                   "the byte-order mark contradicts the declared encoding; the device cannot load this file.",
                   "does-not-load"),
             5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BootTest, ACleanCardAndTheBootAfterItWarnOfNothing) {
  device.WriteFile("sd card/Maps/m.bin", "m");
  device.MakeFolder("FlashHd/old");
  device.WriteFile("sd card/update.xml",
                   Description("<launch>../System/Main_Ap.exe</launch>\n<update_already>0</update_already>\n"
                               "<update>\n<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/>\n"
                               "<COPY from=\"Maps\\m.bin\" to=\"\\FlashHd\\\"/>\n<delete path=\"\\FlashHd\\old\\\"/>\n"
                               "<!-- a comment is no step -->\n</update>"));
  for (int boot = 0; boot < 2; ++boot) {
    const BootResult run = Boot(device.Folder(), {});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_THAT(run.output, Not(ContainsRegex("warning:|error:"))) << "boot " << boot;
  }
  EXPECT_TRUE(device.Exists("FlashHd/Maps/m.bin"));
}

TEST_F(BootTest, ADescriptionThatDoesNotLoadSaysWhereOnStandardErrorAndInDebugLog) {
  device.WriteFile("sd card/update.xml", "<config>\n  <launch>x</lunch>\n</config>\n");

  const BootResult run = Boot(device.Folder(), {});
  const std::string where = "\\\\sd card\\\\update\\.xml:2";
  EXPECT_THAT(run.output, ContainsRegex("error: " + where +
                                        ": column [0-9]+: Opening and ending tag mismatch: "
                                        "launch line 2 and lunch; the device cannot load this file\\. "
                                        "\\[does-not-load\\]"));
  EXPECT_THAT(device.ReadDeviceFile("debug.log"),
              ContainsRegex(where + ":[0-9]+: does not load: Opening and ending tag mismatch"));
  EXPECT_EQ(LogMessages(device), (std::vector<std::string>{"load xml file \\sd card\\update.xml error.",
                                                           "no update and config file, goto wince.",
                                                           "\\System\\Main_Ap.exe launch success."}));
}

}  // namespace
}  // namespace initap::test
