// A dry run boots a device as a boot does, changes nothing in it or on the
// card, reports what a boot would change and tells the outcome by its exit code.
#include <gtest/gtest.h>

#include <functional>
#include <string>
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
       d.WriteFile("FlashHd/update.xml", Description("<update><cpy path=\"\\FlashHd\\a\"/></update>"));
     },
     {"--dry-run"},
     3},
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
