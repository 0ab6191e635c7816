// Real power cuts: the device's root/ is an ext4 file system on a loop
// device, and at chosen moments of an update the file system is cut off as a
// power cut does it (what it had not written is lost, its journal gets no last
// commit). After each cut the volume is mounted again and checked, then booted
// until a run completes, which must leave the device as an uninterrupted run does.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/device_boot.h"
#include "tests/support/loop_volume.h"
#include "tests/support/open_gate.h"
#include "tests/support/temp_folder.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;

constexpr int kMaps = 10;
constexpr int kReplacedMap = 3;
constexpr std::size_t kMapSize = 192 * 1024;
constexpr auto kPatience = std::chrono::seconds(30);
const std::string kFormerLog = "(01-01 00:00) an earlier run.\n";

std::string MapName(int map) { return "m0" + std::to_string(map) + ".map"; }

std::string MapContent(int map, bool old) {
  std::mt19937 random(static_cast<unsigned>(map + (old ? 100 : 0)));
  std::string bytes(old ? kMapSize / 3 : kMapSize, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

const std::string kFormerDescription = Description("<update_already>1</update_already>\n<update/>");
const std::string kDescription = Description(
    "<update_already>0</update_already>\n<update>\n"
    "<copy from=\"\\sd card\\maps\\\" to=\"\\FlashHd\\Maps\\\"/>\n</update>");

// The description as the SD card or the system folder may hold it: as
// written, or saved again by the write-back with the applied mark.
bool IsDescription(const std::string& content) {
  if (content == kDescription) return true;
  return content.find("<update_already>1</update_already>") != std::string::npos &&
         content.find("<copy from=\"\\sd card\\maps\\\" to=\"\\FlashHd\\Maps\\\"/>") != std::string::npos &&
         content.find("</config>") != std::string::npos;
}

// Every file and folder below root/ but the log and the file system's own lost+found.
std::map<std::string, std::string> Snapshot(const DeviceTree& device) {
  std::map<std::string, std::string> files;
  const fs::path root = device.Host("");
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), root).generic_string();
    if (name == "lost+found") {
      it.disable_recursion_pending();
      continue;
    }
    if (name == "FlashHd/updatelog.txt") continue;
    files[name] = it->is_directory() ? "folder" : device.ReadFile(name);
  }
  return files;
}

// The lines initap printed from the update log: each was written when printed.
std::vector<std::string> EchoedLogLines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = output.substr(start, end - start);
    const bool stamped = line.size() > 14 && line[0] == '(' && line[3] == '-' && line[12] == ')';
    // Program starts are printed with a stamp too, but go to launched.log.
    if (stamped && line.compare(14, 8, "started ") != 0 && line.compare(14, 7, "failed ") != 0) lines.push_back(line);
  }
  return lines;
}

struct CutMoment {
  const char* name;
  Access access;  // empty prefix: after the run has ended
};

const CutMoment kMoments[] = {
    {"during the first copy", {"sd card/maps/", 1, true}},
    {"in the middle of the copies", {"sd card/maps/", kMaps / 2 + 1, true}},
    {"during the replacement of an existing map", {"sd card/maps/" + MapName(kReplacedMap), 1, true}},
    {"after the copies, at their log line", {"FlashHd/updatelog.txt", 2, false}},
    {"during the copy to the system folder", {"System/#", 1, false}},
    {"during the mark", {"sd card/#", 1, false}},
    {"right after the mark", {"System/shortcut.xml", 1, false}},
    {"during a shortcut write", {"Windows/Navigation.lnk", 1, false}},
    {"at the launch's log line", {"FlashHd/updatelog.txt", 4, false}},
    {"after the descriptions were deleted", {"", 0, false}},
};

class VolumePowerCut : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
    MakeBootableDevice(original);
    for (int map = 0; map < kMaps; ++map) original.WriteFile("sd card/maps/" + MapName(map), MapContent(map, false));
    original.WriteFile("FlashHd/Maps/" + MapName(kReplacedMap), MapContent(kReplacedMap, true));
    original.WriteFile("System/update.xml", kFormerDescription);
    original.WriteFile("FlashHd/updatelog.txt", kFormerLog);
    original.WriteFile("sd card/update.xml", kDescription);

    // Whether this machine can do it at all: a volume, a mount, a cut, a watch.
    LoopVolume probe(scratch.path() / "probe.img", 16);
    const fs::path folder = scratch.path() / "probe";
    fs::create_directories(folder);
    if (!probe.Mount(folder)) GTEST_SKIP() << probe.Unusable();
    const OpenGate gate(folder);
    if (!gate.Unusable().empty()) GTEST_SKIP() << gate.Unusable();
    if (!probe.Cut()) GTEST_SKIP() << probe.Unusable();
  }

  // A device whose root/ is a fresh ext4 volume holding what the original holds.
  void Fill(DeviceTree& device) {
    fs::copy(original.Host(""), device.Host(""), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const char* file : {"device.ini", "registry.reg"}) {
      fs::copy(original.Folder() / file, device.Folder() / file, fs::copy_options::overwrite_existing);
    }
  }

  // What a cut may leave, whatever its moment: every map whole in its old or
  // new content or not there, each description whole, the log's lines whole.
  void ExpectConsistent(const DeviceTree& device, const std::vector<std::string>& echoed) {
    for (int map = 0; map < kMaps; ++map) {
      const std::string name = "FlashHd/Maps/" + MapName(map);
      if (!device.Exists(name)) {
        EXPECT_NE(map, kReplacedMap) << name << " is gone";
        continue;
      }
      const std::string content = device.ReadFile(name);
      EXPECT_TRUE(content == MapContent(map, false) || (map == kReplacedMap && content == MapContent(map, true)))
          << name << " holds " << content.size() << " bytes of neither version";
    }
    const std::string system = device.ReadFile("System/update.xml");
    EXPECT_TRUE(system == kFormerDescription || system == kDescription) << "System/update.xml holds: " << system;
    if (device.Exists("sd card/update.xml")) {
      EXPECT_TRUE(IsDescription(device.ReadFile("sd card/update.xml"))) << device.ReadFile("sd card/update.xml");
    }
    std::string expected = kFormerLog;
    for (const std::string& line : echoed) expected += line + "\n";
    const std::string log = device.ReadFile("FlashHd/updatelog.txt");
    EXPECT_EQ(log.substr(0, expected.size()), expected) << "a line written before the cut is not whole in the log";
    EXPECT_TRUE(!log.empty() && log.back() == '\n') << "the log ends in a partial line";
  }

  DeviceTree original{"[device]\ntimezone = UTC\n"};
  TempFolder scratch;
};

TEST_F(VolumePowerCut, EveryMomentEndsAsAnUninterruptedRun) {
  DeviceTree reference{"[device]\ntimezone = UTC\n"};
  Fill(reference);
  ASSERT_EQ(Boot(reference.Folder()).exitCode, 1);
  const std::map<std::string, std::string> expected = Snapshot(reference);
  ASSERT_EQ(expected.count("FlashHd/Maps/" + MapName(kMaps - 1)), 1u);
  ASSERT_EQ(expected.count("sd card/update.xml"), 0u);

  for (const CutMoment& moment : kMoments) {
    SCOPED_TRACE(std::string("power cut ") + moment.name);
    DeviceTree device{"[device]\ntimezone = UTC\n"};
    const fs::path root = device.Host("");
    LoopVolume volume(scratch.path() / "device.img", 64);
    ASSERT_TRUE(volume.Mount(root)) << volume.Unusable();
    Fill(device);
    volume.Flush();

    std::vector<std::string> echoed;
    {
      OpenGate gate(root);
      InitapProcess boot(device.Folder(), {});
      if (moment.access.prefix.empty()) {
        gate.Open();
        ASSERT_EQ(boot.Finish(), 1) << boot.Output();
      } else {
        ASSERT_TRUE(gate.HoldAt(moment.access, kPatience)) << "the moment never came\n" << boot.Output();
      }
      ASSERT_TRUE(volume.Cut()) << volume.Unusable();
      boot.Kill();
      echoed = EchoedLogLines(boot.Output());
    }
    volume.Unmount();
    ASSERT_TRUE(volume.Mount(root)) << volume.Unusable();
    ExpectConsistent(device, echoed);

    const BootResult again = Boot(device.Folder());
    ASSERT_EQ(again.exitCode, 1) << again.output;
    const std::map<std::string, std::string> after = Snapshot(device);
    for (const auto& [name, content] : after) {
      const auto it = expected.find(name);
      // A cut after the mark leaves the marked description for the next run to keep.
      const bool keptMarked = name == "System/update.xml" && IsDescription(content) && content != kDescription;
      // A run after the shortcuts were made leaves its own beside the desktop's, as every later boot does.
      const bool secondShortcut =
          name == "Windows/Navigation.lnk" && content == expected.at("Windows/Desktop/Navigation.lnk");
      EXPECT_TRUE(keptMarked || secondShortcut || (it != expected.end() && it->second == content))
          << name << " differs from the uninterrupted run";
    }
    for (const auto& [name, content] : expected) EXPECT_EQ(after.count(name), 1u) << name << " is missing";
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace initap::test
