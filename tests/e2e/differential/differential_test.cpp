// The same device booted by both platforms, the PC's initap and initap.exe
// under Wine: each scenario is described once, its outcome is checked, and
// the two devices left behind are compared log by log, file by file and
// pixel by pixel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/host/graphics/png_file.h"
#include "tests/e2e/device_boot.h"
#include "tests/support/host_files.h"
#include "tests/support/nmea_sentence.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using Messages = std::vector<std::string>;
using Starts = std::vector<Launch>;

// Where the Windows build lies; the scenarios are skipped without it.
fs::path Win32Build() {
  const char* build = std::getenv("INITAP_WIN32_BUILD");
  return build ? fs::path(build) : fs::path();
}

// The file name's box of the default screen: the only place the fonts show.
constexpr int kTextLeft = 10, kTextTop = 60, kTextRight = 230, kTextBottom = 80;

// A receiver whose third second brings the fix: 15 July 2031, 10:20 UTC.
const std::string kFixLog = NmeaSentence("GPRMC,101958.00,V,,,,,,,,,,N") +
                            NmeaSentence("GPRMC,101959.00,V,,,,,,,,,,N") +
                            NmeaSentence("GPRMC,102000.00,A,4807.0380,N,01131.0000,E,0.00,0.00,150731,,,A");

const std::string kCopyAndDelete = Description(
    "<update_already>0</update_already><update>"
    "<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/>"
    "<delete path=\"\\FlashHd\\Old\\\"/><delete path=\"\\FlashHd\\old.txt\"/></update>");

void CardWithTrees(DeviceTree& d, const std::string&) {
  d.WriteFile("sd card/update.xml", kCopyAndDelete);
  d.WriteFile("sd card/Maps/a.map", "a");
  d.WriteFile("sd card/Maps/Europe/b.map", std::string(70000, 'b'));
  d.MakeFolder("sd card/Maps/Empty");
  d.WriteFile("FlashHd/Old/x.map", "x");
  d.WriteFile("FlashHd/Old/Deep/y.map", "y");
  d.WriteFile("FlashHd/old.txt", "old");
}

const std::vector<std::string> kCardWithTreesLog{"found update file \\sd card\\update.xml.",
                                                 "2 files has been copied.",
                                                 "2 files has been deleted.",
                                                 "1 files has been deleted.",
                                                 "update finished.",
                                                 "\\System\\Main_Ap.exe launch success."};

// A description whose update list is `steps`, carried out once.
std::string ListOf(std::string_view steps) {
  return Description("<update_already>0</update_already><update>" + std::string(steps) + "</update>");
}

const std::vector<std::string> kFoundAndFinished{"found update file \\sd card\\update.xml.", "update finished.",
                                                 "\\System\\Main_Ap.exe launch success."};

// The log of a list that writes `line`.
std::vector<std::string> ListLog(const std::string& line) {
  std::vector<std::string> log = kFoundAndFinished;
  log.insert(log.begin() + 1, line);
  return log;
}

struct Scenario {
  const char* name;
  const char* deviceIni;
  std::function<void(DeviceTree&, const std::string& program)> setUp;
  Messages log;
  Starts launches;
  bool stampsFixed = false;  // the receiver sets the clock: the stamps are the fix's
  // Where the platforms may differ: Windows reports no window for one destroyed while it was made.
  std::optional<int> wineExitCode = std::nullopt;
  // The card's folder is a host folder mounted as "\SD CARD"; root's own holds a broken description.
  bool cardMounted = false;
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

const Starts kMain{{"started", "\\System\\Main_Ap.exe"}};

const Scenario kScenarios[] = {
    {"NothingToUpdate",
     "",
     [](DeviceTree&, const std::string&) {},
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"SdCardCopiesAndDeletesTrees", "", CardWithTrees, kCardWithTreesLog, kMain},
    {"MountedCardCopiesAndDeletesTrees", "", CardWithTrees, kCardWithTreesLog, kMain, false, std::nullopt, true},
    {"FlashDescriptionLaunchesItsProgram",
     "",
     [](DeviceTree& d, const std::string& program) {
       d.WriteFile("System/Alt_Ap.exe", program);
       d.WriteFile("FlashHd/update.xml",
                   Description("<launch>\\System\\Alt_Ap.exe</launch><update_already>0</update_already>"
                               "<update><delete path=\"\\FlashHd\\old.txt\"/></update>"));
       d.WriteFile("FlashHd/old.txt", "old");
     },
     {"found update file \\FlashHd\\update.xml.", "1 files has been deleted.", "update finished.",
      "\\System\\Alt_Ap.exe launch success."},
     {{"started", "\\System\\Alt_Ap.exe"}}},
    {"StorageCardSettingsAreKept",
     "",
     [](DeviceTree& d, const std::string&) {
       d.MakeFolder("Storage Card");
       d.WriteFile("Storage Card/update.xml", Description("<progress_color>255</progress_color>"));
     },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"SystemSettingsOnly",
     "",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("System/update.xml", Description("<filename_color>255</filename_color>"));
     },
     {"no update file, read config file and goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"AppliedDescriptionIsSkipped",
     "",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("sd card/update.xml", Description("<update_already>1</update_already>"
                                                     "<update><delete path=\"\\FlashHd\\old.txt\"/></update>"));
       d.WriteFile("FlashHd/old.txt", "old");
     },
     {"found update file \\sd card\\update.xml.", "already update.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"BrokenDescription",
     "",
     [](DeviceTree& d, const std::string&) { d.WriteFile("sd card/update.xml", "<config><launch>"); },
     {"load xml file \\sd card\\update.xml error.", "no update and config file, goto wince.",
      "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"SettingsOnlyCardLeavesTheWindowOpen",
     "",
     [](DeviceTree& d, const std::string&) { d.WriteFile("sd card/update.xml", Description("")); },
     {"found update file \\sd card\\update.xml.", "read xml file error."},
     {}},
    {"MissingProgramFallsBackToTheShell",
     "",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("System/update.xml", Description("<launch>\\System\\None.exe</launch>"));
     },
     {"no update file, read config file and goto wince.", "\\System\\None.exe not exist, goto wince."},
     {{"started", "explorer"}}},
    {"PendingImageUpdate",
     "",
     [](DeviceTree& d, const std::string& program) {
       d.WriteFile("Windows/KRTNkUpdate.exe", program);
       d.WriteFile("FlashHd/temp/winceimg.xml", "image");
       d.WriteFile("sd card/update.xml", kCopyAndDelete);
     },
     {},
     {{"started", "\\Windows\\KRTNkUpdate.exe"}}},
    {"FinishedImageUpdateIsCleared",
     "",
     [](DeviceTree& d, const std::string&) {
       for (const char* file : {"ZEV7100UpdateDone.txt", "NK.bin", "chain.lst", "keep.txt"}) {
         d.WriteFile(std::string("FlashHd/temp/") + file, file);
       }
     },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"DiagnosticTrigger",
     "",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("sd card/Launch_Valkor_For_Diagnostic.txt", "");
       d.WriteFile("sd card/update.xml", kCopyAndDelete);
     },
     {"found diagnostic file, goto wince."},
     {{"started", "explorer"}},
     false,
     0},
    {"ShortcutsInCodePage1252",
     "[device]\ncodepage = 1252\ntimezone = UTC\n",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("System/shortcut.xml",
                   "<?xml version=\"1.0\" encoding=\"utf-8\"?><s>"
                   "<shortcut name=\"Stra\xc3\x9f"
                   "enkarte\" path=\"\\System\\K\xc3\xa4rtchen.exe\"/>"
                   "<shortcut name=\"Caf\xc3\xa9 %1\" path=\"\\Windows\\explorer.exe\"/>"
                   "<shortcut name=\"Navigation\" path=\"\\System\\Main_Ap.exe\"/></s>");
     },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"ShortcutsInCodePage936",
     "[device]\ncodepage = 936\ntimezone = UTC\n",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("System/shortcut.xml",
                   "<?xml version=\"1.0\" encoding=\"utf-8\"?><s>"
                   "<shortcut name=\"\xe5\xaf\xbc\xe8\x88\xaa\" path=\"\\System\\\xe5\x9c\xb0\xe5\x9b\xbe.exe\"/>"
                   "<shortcut name=\"Navigation\" path=\"\\System\\Main_Ap.exe\"/></s>");
     },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"ReceiverSetsTheClock",
     "",
     [](DeviceTree& d, const std::string&) { d.WriteDeviceFile("gps.nmea", kFixLog); },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain,
     true},
    {"ReceiverClockInLocalTime",
     "[device]\ntimezone = Asia/Shanghai\n",
     [](DeviceTree& d, const std::string&) { d.WriteDeviceFile("gps.nmea", kFixLog); },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain,
     true},
    {"ReceiverClockInSummerTime",
     "[device]\ntimezone = Europe/Berlin\n",
     [](DeviceTree& d, const std::string&) { d.WriteDeviceFile("gps.nmea", kFixLog); },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain,
     true},
    {"ReceiverClockInAZoneOfItsOwn",
     "[device]\ntimezone = <+0530>-5:30\n",
     [](DeviceTree& d, const std::string&) { d.WriteDeviceFile("gps.nmea", kFixLog); },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain,
     true},
    {"BadNamesBesideGoodFilesAreLeftOut", "",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("sd card/update.xml", ListOf("<copy from=\"D\\\" to=\"\\FlashHd\\D\\\"/>"));
       for (const char* name : {"q?.txt", "ok.txt", "zz.txt", "a:b.bin", "trail.", "sp ", "tab\tname"}) {
         d.WriteFile(std::string("sd card/D/") + name, name);
       }
     },
     ListLog("2 files has been copied."), kMain},
    {"OfCaseTwinsTheFirstInCodePointOrderIsSeen", "",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("sd card/update.xml", ListOf("<delete path=\"\\FlashHd\\d\\\"/>"));
       d.WriteFile("FlashHd/D/a.txt", "a");
       d.WriteFile("FlashHd/d/b.txt", "b");
       d.WriteFile("FlashHd/d/c.txt", "c");
     },
     ListLog("1 files has been deleted."), kMain},
    {"AVolumeSurvivesItsOwnDeletion",
     "",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("sd card/update.xml", ListOf("<delete path=\"\\FlashHd\\\"/>"));
       d.WriteFile("FlashHd/Old/a.txt", "a");
       d.WriteFile("FlashHd/b.txt", "b");
     },
     // The log went with the volume's files and goes on in a new one.
     {"3 files has been deleted.", "update finished.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    {"ACardThatDoesNotFitASizedVolume",
     "[device]\ntimezone = UTC\n[volumes]\nFlashHd = 4KiB\n",
     [](DeviceTree& d, const std::string&) {
       d.WriteFile("sd card/update.xml", ListOf("<copy from=\"big.bin\" to=\"\\FlashHd\\big.bin\"/>"
                                                "<copy from=\"small.txt\" to=\"\\FlashHd\\small.txt\"/>"));
       d.WriteFile("sd card/big.bin", std::string(5000, 'b'));
       d.WriteFile("sd card/small.txt", "small");
     },
     {"found update file \\sd card\\update.xml.", "0 files has been copied.", "1 files has been copied.",
      "update finished.", "\\System\\Main_Ap.exe launch success."},
     kMain},
    // After devices that name the desktop folder: this one names none.
    {"NoRegistryKeepsTheShortcutsInTheWindowsFolder",
     "",
     [](DeviceTree& d, const std::string&) { std::filesystem::remove(d.Folder() / "registry.reg"); },
     {"no update and config file, goto wince.", "\\System\\Main_Ap.exe launch success."},
     kMain},
};

// What a boot left behind that both platforms must agree on.
struct Outcome {
  int exitCode = -1;
  Messages log;
  std::vector<std::string> stampedLog, launchLines;
  Starts launches;
  std::map<std::string, std::string> files;  // below root/, the log aside; a folder holds "/"
  std::string registry;
  bool clockSet = false;
  platform::host::ScreenImage screen;
};

// The files below `folder` as "prefix" + their path; a folder holds "/".
void ReadTree(const fs::path& folder, const std::string& prefix, std::map<std::string, std::string>& files) {
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = prefix + fs::relative(entry.path(), folder).generic_string();
    if (name == "FlashHd/updatelog.txt") continue;
    files[name] = entry.is_directory() ? "/" : ReadHostFile(entry.path());
  }
}

Outcome Read(const DeviceTree& device, const fs::path& card, const fs::path& shot, const BootResult& run) {
  Outcome outcome;
  outcome.exitCode = run.exitCode;
  outcome.log = LogMessages(device);
  outcome.stampedLog = LogLines(device);
  outcome.launches = Launches(device);
  if (device.DeviceFileExists("launched.log")) outcome.launchLines.push_back(device.ReadDeviceFile("launched.log"));
  ReadTree(device.Folder() / "root", "", outcome.files);
  if (!card.empty()) ReadTree(card, "card:", outcome.files);
  if (device.DeviceFileExists("registry.reg")) outcome.registry = device.ReadDeviceFile("registry.reg");
  outcome.clockSet = ClockOffset(device).has_value();
  std::string error;
  EXPECT_TRUE(platform::host::ReadPng(shot, outcome.screen, error)) << error << "\n" << run.output;
  return outcome;
}

// The names that only one side has, or that hold other bytes on each, with what each side holds (short).
std::vector<std::string> Differences(const std::map<std::string, std::string>& pc,
                                     const std::map<std::string, std::string>& wine) {
  const auto shown = [](const std::map<std::string, std::string>& files, const std::string& name) {
    const auto it = files.find(name);
    return it == files.end() ? std::string("(none)") : it->second.substr(0, 60);
  };
  std::vector<std::string> differences;
  std::map<std::string, std::string> both = pc;
  both.insert(wine.begin(), wine.end());
  for (const auto& entry : both) {
    const std::string& name = entry.first;
    // Only one side has it, or both do with other bytes.
    if (pc.count(name) != wine.count(name) || pc.at(name) != wine.at(name)) {
      differences.push_back(name + ": pc " + shown(pc, name) + " | wine " + shown(wine, name));
    }
  }
  return differences;
}

bool InTextBox(int x, int y) { return x >= kTextLeft && x < kTextRight && y >= kTextTop && y < kTextBottom; }

// Whether anything is drawn in the text box on its background (its first pixel).
bool HasText(const platform::host::ScreenImage& screen) {
  const auto pixel = [&](int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * screen.width + x) * 3;
    return std::make_tuple(screen.pixels[at], screen.pixels[at + 1], screen.pixels[at + 2]);
  };
  for (int y = kTextTop; y < kTextBottom; ++y) {
    for (int x = kTextLeft; x < kTextRight; ++x) {
      if (pixel(x, y) != pixel(kTextLeft, kTextTop)) return true;
    }
  }
  return false;
}

// The pixels that differ outside the text box, as "x,y" of the first few.
std::vector<std::string> ScreenDifferences(const platform::host::ScreenImage& pc,
                                           const platform::host::ScreenImage& wine) {
  std::vector<std::string> differences;
  for (int y = 0; y < pc.height && differences.size() < 5; ++y) {
    for (int x = 0; x < pc.width && differences.size() < 5; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * pc.width + x) * 3;
      if (!InTextBox(x, y) && !std::equal(&pc.pixels[at], &pc.pixels[at] + 3, &wine.pixels[at])) {
        differences.push_back(std::to_string(x) + "," + std::to_string(y));
      }
    }
  }
  return differences;
}

class DifferentialTest : public ::testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override {
    if (Win32Build().empty()) GTEST_SKIP() << "INITAP_WIN32_BUILD names no Windows build";
    if (!fs::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
    program_ = ReadHostFile(Win32Build() / "device-program.exe");
    setenv("INITAP_WIN32_EXE", (Win32Build() / "initap.exe").c_str(), 1);
    setenv("INITAP_WINE_PREFIX", (Win32Build() / "differential-prefix").c_str(), 1);
  }

  // The scenario's device, with the Windows stand-in for each of its programs.
  void Make(DeviceTree& device) const {
    MakeBootableDevice(device);
    device.WriteFile("System/Main_Ap.exe", program_);
    device.WriteFile("Windows/explorer.exe", program_);
    GetParam().setUp(device, program_);
  }

  std::string program_;
  TempFolder shots_;
};

TEST_P(DifferentialTest, BothPlatformsLeaveTheSameDevice) {
  const Scenario& scenario = GetParam();
  const std::string ini = *scenario.deviceIni ? scenario.deviceIni : "[device]\ntimezone = UTC\n";
  DeviceTree pcDevice(ini), wineDevice(ini);
  Make(pcDevice);
  Make(wineDevice);
  const fs::path pcShot = shots_.path() / "pc.png", wineShot = shots_.path() / "wine.png";
  fs::path pcCard, wineCard;
  std::vector<std::string> pcArguments{"--quiet", "--screenshot", pcShot.string()};
  std::vector<std::string> wineCommand{INITAP_SOURCE_DIR "/tools/wine-boot.sh", "--quiet", "--screenshot",
                                       wineShot.string()};
  if (scenario.cardMounted) {
    pcCard = shots_.path() / "pc card";
    wineCard = shots_.path() / "wine card";
    for (auto [device, card] : {std::pair{&pcDevice, pcCard}, std::pair{&wineDevice, wineCard}}) {
      fs::rename(device->Folder() / "root" / "sd card", card);
      device->WriteFile("sd card/update.xml", "<config><launch>");
    }
    pcArguments.insert(pcArguments.end(), {"--mount", "\\SD CARD=" + pcCard.string()});
    wineCommand.insert(wineCommand.end(), {"--mount", "\\SD CARD=" + wineCard.string()});
  }
  wineCommand.push_back(wineDevice.Folder().string());

  const BootResult pcRun = Boot(pcDevice.Folder(), pcArguments);
  InitapProcess wine(InitapProcess::Command{wineCommand});
  const int wineExit = wine.Finish();
  const Outcome pc = Read(pcDevice, pcCard, pcShot, pcRun);
  const Outcome onWine = Read(wineDevice, wineCard, wineShot, {wineExit, wine.Output()});

  EXPECT_EQ(pc.log, scenario.log) << pcRun.output;
  EXPECT_EQ(pc.launches, scenario.launches);
  EXPECT_EQ(onWine.exitCode, scenario.wineExitCode.value_or(pc.exitCode)) << wine.Output();
  EXPECT_EQ(onWine.log, pc.log) << wine.Output();
  EXPECT_EQ(onWine.launches, pc.launches);
  if (scenario.stampsFixed) {
    EXPECT_EQ(onWine.stampedLog, pc.stampedLog);
    EXPECT_EQ(onWine.launchLines, pc.launchLines);
  }
  EXPECT_EQ(Differences(pc.files, onWine.files), std::vector<std::string>{});
  EXPECT_EQ(onWine.registry, pc.registry);
  EXPECT_EQ(onWine.clockSet, pc.clockSet);
  EXPECT_EQ(onWine.clockSet, scenario.stampsFixed);
  ASSERT_EQ(onWine.screen.width, pc.screen.width);
  ASSERT_EQ(onWine.screen.height, pc.screen.height);
  if (pc.screen.width == 0) return;
  EXPECT_EQ(ScreenDifferences(pc.screen, onWine.screen), std::vector<std::string>{});
  EXPECT_EQ(HasText(onWine.screen), HasText(pc.screen));
}

INSTANTIATE_TEST_SUITE_P(Scenarios, DifferentialTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace initap::test
