// A dry run boots a device as a boot does, changes nothing in it or on the
// card, reports what a boot would change and tells the outcome by its exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/device_boot.h"
#include "tests/support/host_files.h"
#include "tests/support/nmea_sentence.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tree_snapshot.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;

// Copies a folder from the card, deletes a file and a folder of the flash volume.
const std::string kCard = Description(
    "<update_already>0</update_already>\n"
    "<update>\n"
    "<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/>\n"
    "<delete path=\"\\FlashHd\\old.txt\"/>\n"
    "<delete path=\"\\FlashHd\\OldMaps\\\"/>\n"
    "</update>");

class DryRunTest : public BootTest {
 protected:
  void SetUp() override {
    BootTest::SetUp();
    if (IsSkipped()) return;
    WriteHostFile(card.path() / "update.xml", kCard);
    WriteHostFile(card.path() / "Maps/a.map", std::string(5000, 'a'));
    WriteHostFile(card.path() / "Maps/b.map", "b");
    device.WriteFile("FlashHd/old.txt", "old");
    device.WriteFile("FlashHd/OldMaps/x.map", "x");
    device.WriteFile("FlashHd/updatelog.txt", "(01-01 00:00) an earlier boot\n");
    // Everything the platform keeps beside root/: the receiver sets the clock.
    device.WriteDeviceFile("gps.nmea", NmeaSentence("GPRMC,102000.00,A,4807.0380,N,01131.0000,E,0.00,0.00,150731,,,A"));
    device.WriteDeviceFile("clock", "-60\n");
    device.WriteDeviceFile("debug.log", "earlier\n");
    device.WriteDeviceFile("launched.log", "(01-01 00:00) started \\System\\Main_Ap.exe\n");
    device.WriteDeviceFile("disk.img", std::string(64 * 1024, '\0'));
  }
  std::vector<std::string> Options(const fs::path& cardFolder, const fs::path& report) {
    return {"--mount", "\\sd card=" + cardFolder.string(), "--report", report.string()};
  }

  TempFolder card;
  TempFolder outside;
};

TEST_F(DryRunTest, ChangesNothingAndReportsWhatABootOfACopyChanges) {
  const auto deviceBefore = TreeSnapshot(device.Folder());
  const auto cardBefore = TreeSnapshot(card.path());
  std::vector<std::string> options = Options(card.path(), outside.path() / "dry.json");
  options.insert(options.begin(), "--dry-run");
  const BootResult dry = Boot(device.Folder(), options);
  EXPECT_EQ(dry.exitCode, 0) << dry.output;
  EXPECT_EQ(TreeSnapshot(device.Folder()), deviceBefore);
  EXPECT_EQ(TreeSnapshot(card.path()), cardBefore);

  const fs::path copy = outside.path() / "device";
  const fs::path cardCopy = outside.path() / "card";
  fs::copy(device.Folder(), copy, fs::copy_options::recursive);
  fs::copy(card.path(), cardCopy, fs::copy_options::recursive);
  const BootResult boot = Boot(copy, Options(cardCopy, outside.path() / "boot.json"));
  EXPECT_EQ(boot.exitCode, 1) << boot.output;
  EXPECT_EQ(ReadHostFile(copy / "root/FlashHd/Maps/a.map"), std::string(5000, 'a'));
  EXPECT_FALSE(fs::exists(cardCopy / "update.xml"));

  EXPECT_EQ(PrintedLog(dry.output), PrintedLog(boot.output));
  EXPECT_EQ(PrintedLog(dry.output).front(), "found update file \\sd card\\update.xml.");
  // The clock set from the receiver holds for the rest of the run.
  EXPECT_NE(dry.output.find("(07-15 10:20) update finished."), std::string::npos) << dry.output;
  const std::string report = ReadHostFile(outside.path() / "dry.json");
  EXPECT_EQ(WithoutClockBefore(report), WithoutClockBefore(ReadHostFile(outside.path() / "boot.json")));
  for (const char* expected : {"\"files_added\": [\"\\\\FlashHd\\\\Maps\\\\a.map\", \"\\\\FlashHd\\\\Maps\\\\b.map\", "
                               "\"\\\\System\\\\update.xml\", \"\\\\Windows\\\\Desktop\\\\Navigation.lnk\"]",
                               "\"files_deleted\": [\"\\\\FlashHd\\\\OldMaps\\\\x.map\", \"\\\\FlashHd\\\\old.txt\", "
                               "\"\\\\sd card\\\\update.xml\"]",
                               "\"folders_removed\": [\"\\\\FlashHd\\\\OldMaps\"]", "\"to\": \"2031-07-15 10:20:00\"}",
                               "\"marked\": [\"\\\\sd card\\\\update.xml\"]"}) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
  }
}

// A card the device's volumes take otherwise than a host folder would.
struct VolumeCard {
  const char* name;
  std::function<void(DeviceTree&)> make;             // the card goes into "sd card"
  std::vector<std::string> log;                      // what the list logs, between the find and the end
  std::vector<std::string> findings;                 // the findings on standard error, sorted
  std::vector<std::string> absent;                   // paths below root that the boot leaves absent
  std::function<void(const fs::path& root)> booted;  // other checks the boot left on the device, if any
};

void PrintTo(const VolumeCard& card, std::ostream* out) { *out << card.name; }

// The findings a run printed, sorted: a folder lists in the host's order.
std::vector<std::string> PrintedFindings(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    if (output.compare(start, 9, "warning: ") == 0 || output.compare(start, 7, "error: ") == 0) {
      lines.push_back(output.substr(start, end - start));
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

class VolumeCardTest : public BootTest, public ::testing::WithParamInterface<VolumeCard> {};

TEST_P(VolumeCardTest, TheDryRunAndTheBootAgree) {
  const VolumeCard& card = GetParam();
  card.make(device);
  TempFolder outside;
  const fs::path copy = outside.path() / "device";
  fs::copy(device.Folder(), copy, fs::copy_options::recursive);
  const BootResult dry = Boot(device.Folder(), {"--dry-run", "--report", (outside.path() / "dry.json").string()});
  const BootResult boot = Boot(copy, {"--report", (outside.path() / "boot.json").string()});

  std::vector<std::string> log{"found update file \\sd card\\update.xml."};
  log.insert(log.end(), card.log.begin(), card.log.end());
  log.insert(log.end(), {"update finished.", "started \\System\\Main_Ap.exe", "\\System\\Main_Ap.exe launch success."});
  EXPECT_EQ(PrintedLog(boot.output), log) << boot.output;
  EXPECT_EQ(PrintedLog(dry.output), log) << dry.output;
  EXPECT_EQ(PrintedFindings(boot.output), card.findings) << boot.output;
  EXPECT_EQ(PrintedFindings(dry.output), card.findings) << dry.output;
  EXPECT_EQ(ReadHostFile(outside.path() / "dry.json"), ReadHostFile(outside.path() / "boot.json"));
  for (const std::string& path : card.absent) EXPECT_FALSE(fs::exists(copy / "root" / path)) << path;
  if (card.booted) card.booted(copy / "root");
}

const std::string kBadNames = "error: \\sd card\\update.xml:7: \\sd card\\D\\";

// Puts on the card a description that updates at once with `steps`, one a
// line, and on the device `files`, each path below its root with its bytes.
void WriteUpdate(DeviceTree& device, const std::string& steps,
                 const std::vector<std::pair<std::string, std::string>>& files = {}) {
  device.WriteFile("sd card/update.xml",
                   Description("<update_already>0</update_already>\n<update>\n" + steps + "</update>"));
  for (const auto& [path, bytes] : files) device.WriteFile(path, bytes);
}

const VolumeCard kVolumeCards[] = {
    {"AFolderCopyLeavesOutTheNamesTheDeviceCannotHold",
     [](DeviceTree& d) {
       WriteUpdate(d, "<copy from=\"D\\\" to=\"\\FlashHd\\D\\\"/>\n");
       for (const char* name : {"q?.txt", "ok.txt", "zz.txt", "a:b.bin", "trail.", "sp "}) {
         d.WriteFile(std::string("sd card/D/") + name, name);
       }
     },
     {"2 files has been copied."},
     {kBadNames + "a:b.bin is not there for the device: its name holds a character the device's file systems refuse "
                  "(\" * : < > ? | / \\ or a control character). [name-not-on-device]",
      kBadNames + "q?.txt is not there for the device: its name holds a character the device's file systems refuse "
                  "(\" * : < > ? | / \\ or a control character). [name-not-on-device]",
      kBadNames + "sp  is not there for the device: its name ends in a dot or a space. [name-not-on-device]",
      kBadNames + "trail. is not there for the device: its name ends in a dot or a space. [name-not-on-device]"},
     {"FlashHd/D/trail."},
     [](const fs::path& root) {
       EXPECT_EQ(ReadHostFile(root / "FlashHd/D/ok.txt"), "ok.txt");
       EXPECT_EQ(ReadHostFile(root / "FlashHd/D/zz.txt"), "zz.txt");
     }},
    {"OfCaseTwinsTheFirstInCodePointOrderIsDeleted",
     [](DeviceTree& d) {
       WriteUpdate(d, "<delete path=\"\\FlashHd\\d\\\"/>\n",
                   {{"FlashHd/D/a.txt", "a"}, {"FlashHd/d/b.txt", "b"}, {"FlashHd/d/c.txt", "c"}});
     },
     {"1 files has been deleted."},
     {"error: \\sd card\\update.xml:7: \\FlashHd\\d is not there for the device: its name differs from D only in "
      "letter case, and of such names the device sees the first in code point order. [case-twin]"},
     {"FlashHd/D"},
     [](const fs::path& root) { EXPECT_TRUE(fs::exists(root / "FlashHd/d/c.txt")); }},
    {"AVolumeSurvivesItsOwnDeletion",
     [](DeviceTree& d) {
       WriteUpdate(d, "<delete path=\"\\FlashHd\\\"/>\n", {{"FlashHd/Old/a.txt", "a"}, {"FlashHd/b.txt", "b"}});
     },
     {"3 files has been deleted."},
     {"error: \\sd card\\update.xml:7: path=\"\\FlashHd\\\" deletes the whole volume \\FlashHd with all it holds, "
      "the update log with it. [deletes-volume]"},
     {"FlashHd/Old", "FlashHd/b.txt"},
     [](const fs::path& root) {
       // The log goes on in a new file on the volume that stayed.
       EXPECT_NE(ReadHostFile(root / "FlashHd/updatelog.txt").find(") 3 files has been deleted.\n"), std::string::npos);
     }},
    {"ACopyThatDoesNotFitASizedVolumeFailsBeforeItsData",
     [](DeviceTree& d) {
       d.WriteDeviceFile("device.ini", "[device]\ntimezone = UTC\n[volumes]\nFlashHd = 4KiB\n");
       WriteUpdate(d, "<copy from=\"big.bin\" to=\"\\FlashHd\\big.bin\"/>\n",
                   {{"sd card/big.bin", std::string(5000, 'b')}});
     },
     {"0 files has been copied."},
     // The log's first line takes 53 bytes of the 4096.
     {"error: \\sd card\\update.xml:7: \\FlashHd\\big.bin is the first file that does not fit on \\FlashHd, "
      "which fails as disk full: the card needs 957 bytes more room on \\FlashHd. [volume-full]",
      "error: \\sd card\\update.xml:7: nothing is copied: \\FlashHd\\big.bin does not fit in the room left on its "
      "volume. [step-does-nothing]"},
     {"FlashHd/big.bin"},
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cards, VolumeCardTest, ::testing::ValuesIn(kVolumeCards),
                         [](const auto& info) { return std::string(info.param.name); });

struct Outcome {
  const char* what;
  std::function<void(DeviceTree&)> card;
  std::vector<std::string> options;
  int exitCode;
};

void PrintTo(const Outcome& outcome, std::ostream* out) { *out << outcome.what; }

class DryRunOutcomeTest : public BootTest, public ::testing::WithParamInterface<Outcome> {};

TEST_P(DryRunOutcomeTest, TheExitCodeTellsIt) {
  GetParam().card(device);
  std::vector<std::string> options = GetParam().options;
  options.push_back("--quiet");
  const BootResult run = Boot(device.Folder(), options);
  EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.output;
}

const Outcome kOutcomes[] = {
    {"main application reached",
     [](DeviceTree& d) { d.WriteFile("FlashHd/update.xml", Description("<update/>")); },
     {"--dry-run"},
     0},
    {"a boot keeps the system's code",
     [](DeviceTree& d) { d.WriteFile("FlashHd/update.xml", Description("<update/>")); },
     {},
     1},
    {"main application reached with a warning",
     [](DeviceTree& d) {
       d.WriteFile("FlashHd/update.xml", Description("<progress_colour>1</progress_colour><update/>"));
     },
     {"--dry-run"},
     3},
    {"main application reached with an error",
     [](DeviceTree& d) {
       d.WriteFile("FlashHd/update.xml", Description("<update><cpy path=\"\\FlashHd\\a\"/></update>"));
     },
     {"--dry-run"},
     5},
    {"update error", [](DeviceTree& d) { d.WriteFile("sd card/update.xml", Description("")); }, {"--dry-run"}, 4},
    {"diagnostic path",
     [](DeviceTree& d) { d.WriteFile("sd card/Launch_Valkor_For_Diagnostic.txt", ""); },
     {"--dry-run"},
     4},
    {"image-update hand-off", [](DeviceTree& d) { d.WriteFile("FlashHd/temp/Eboot.xml", ""); }, {"--dry-run"}, 4},
    {"report folder missing", [](DeviceTree&) {}, {"--dry-run", "--report", "/nonexistent/folder/r.json"}, 2},
};

INSTANTIATE_TEST_SUITE_P(Outcomes, DryRunOutcomeTest, ::testing::ValuesIn(kOutcomes));

}  // namespace
}  // namespace initap::test
