// The demo device of examples/, booted as tools/demo.sh boots it, with its
// show times set to zero.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "platform/host/graphics/png_file.h"
#include "tests/e2e/device_boot.h"
#include "tests/support/animation_frames.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kDemo = INITAP_SOURCE_DIR "/examples/demo-device";
// The volumes as the demo's boot leaves them, kept by the card maker's tool when it is there.
const fs::path kDemoResult = INITAP_SOURCE_DIR "/examples/demo-result";

std::vector<std::string> FilesBelow(const fs::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(folder).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The demo's description with both show times 0, so that a test boot is quick.
std::string WithoutShowTimes(std::string description) {
  for (const std::string element : {"logo_showtime", "exit_showtime"}) {
    const std::string open = "<" + element + ">";
    const auto start = description.find(open);
    if (start == std::string::npos) continue;
    const auto value = start + open.size();
    description.replace(value, description.find('<', value) - value, "0");
  }
  return description;
}

// A copy of the demo device in `device`.
void CopyDemo(DeviceTree& device) {
  fs::copy(kDemo, device.Folder(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  device.WriteFile("sd card/update.xml", WithoutShowTimes(device.ReadFile("sd card/update.xml")));
}

class DemoDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
    CopyDemo(device);
  }

  DeviceTree device;
};

TEST_F(DemoDeviceTest, UpdatesTheMapsAndStartsTheMainApplication) {
  const std::vector<std::string> maps = FilesBelow(device.Host("sd card/Maps"));
  const fs::path screen = device.Folder().parent_path() / (device.Folder().filename().string() + "-screen.png");

  const BootResult run = Boot(device.Folder(), {"--quiet", "--screenshot", screen.string()});
  EXPECT_EQ(run.exitCode, 1) << run.output;

  EXPECT_EQ(LogMessages(device),
            (std::vector<std::string>{"found update file \\sd card\\update.xml.", "6 files has been copied.",
                                      "3 files has been deleted.", "1 files has been deleted.", "update finished.",
                                      "\\System\\Main_Ap.exe launch success."}));
  // The receiver's fix: 21 June 2025, 07:45 UTC.
  for (const std::string& line : LogLines(device)) EXPECT_EQ(line.substr(0, 14), "(06-21 07:45) ") << line;
  EXPECT_EQ(Launches(device), (std::vector<Launch>{{"started", "\\System\\Main_Ap.exe"}}));

  EXPECT_EQ(FilesBelow(device.Host("FlashHd/Maps")), maps);
  EXPECT_FALSE(device.Exists("FlashHd/OldMaps"));
  EXPECT_FALSE(device.Exists("FlashHd/readme_old.txt"));
  EXPECT_FALSE(device.Exists("sd card/update.xml"));
  EXPECT_TRUE(device.Exists("System/update.xml"));
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Navigation.lnk"), "21#\"\\System\\Main_Ap.exe\"");
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Explorer.lnk"), "23#\"\\Windows\\explorer.exe\"");
  EXPECT_EQ(device.ReadFile("Windows/Desktop/Control Panel.lnk"), "21#\"\\Windows\\ctlpnl.exe\"");

  std::ifstream picture(screen, std::ios::binary);
  char signature[8] = {};
  picture.read(signature, sizeof signature);
  EXPECT_EQ(std::string(signature, 8), "\x89PNG\r\n\x1a\n");
  fs::remove(screen);
}

TEST_F(DemoDeviceTest, SecondBootOnlyConfiguresAndKeepsTheDesktop) {
  EXPECT_EQ(Boot(device.Folder()).exitCode, 1);
  const std::size_t firstBoot = LogMessages(device).size();
  EXPECT_EQ(Boot(device.Folder()).exitCode, 1);

  const std::vector<std::string> log = LogMessages(device);
  ASSERT_EQ(log.size(), firstBoot + 2);
  EXPECT_EQ(log[firstBoot], "no update file, read config file and goto wince.");
  EXPECT_EQ(log[firstBoot + 1], "\\System\\Main_Ap.exe launch success.");
  EXPECT_TRUE(device.Exists("Windows/Desktop/Navigation.lnk"));
  EXPECT_TRUE(device.Exists("Windows/Navigation.lnk"));
}

TEST_F(DemoDeviceTest, BothBootsAreCleanAndTheVolumesAreHeldAgainstTheWantedTree) {
  // The wanted tree: the volumes as a boot leaves them, without the boot's own record of it.
  DeviceTree wanted;
  CopyDemo(wanted);
  ASSERT_EQ(Boot(wanted.Folder()).exitCode, 1);
  wanted.RemoveFile("FlashHd/updatelog.txt");
  wanted.RemoveFile("System/update.xml");
  std::vector<fs::path> trees = {wanted.Host("")};
  if (fs::exists(kDemoResult)) trees.push_back(kDemoResult);
  for (const fs::path& tree : trees) {
    const BootResult run = Boot(device.Folder(), {"--quiet", "--dry-run", "--expect", tree.string()});
    EXPECT_EQ(run.exitCode, 0) << tree << "\n" << run.output;
  }

  wanted.WriteFile("FlashHd/Maps/version.txt", "another version\n");
  wanted.RemoveFile("FlashHd/Maps/Europe/east.map");
  wanted.WriteFile("FlashHd/Maps/extra.map", "x");
  const std::vector<std::string> differences = {
      "error: \\FlashHd\\Maps\\Europe\\east.map is on the device, but not in the wanted tree. [expected-extra]",
      "error: \\FlashHd\\Maps\\extra.map is in the wanted tree, but not on the device. [expected-missing]",
      "error: \\FlashHd\\Maps\\version.txt differs from the wanted tree's file. [expected-different]"};
  // A dry run and a boot alike: the user asked for a verdict.
  for (const char* mode : {"--dry-run", "--quiet"}) {
    const BootResult run = Boot(device.Folder(), {mode, "--expect", wanted.Host("").string()});
    EXPECT_EQ(run.exitCode, 5) << mode;
    for (const std::string& difference : differences) EXPECT_THAT(run.output, HasSubstr(difference + "\n")) << mode;
  }
  // The boot after it finds only the kept description.
  const BootResult second = Boot(device.Folder(), {"--quiet", "--dry-run"});
  EXPECT_EQ(second.exitCode, 0) << second.output;
}

TEST_F(DemoDeviceTest, TheAnimationShowsEveryPaintedFrameInTurn) {
  const fs::path out = device.Folder().parent_path() / (device.Folder().filename().string() + "-pictures");
  fs::create_directories(out / "frames");
  std::ofstream(out / "frames" / "000999.png") << "a frame of an earlier run";
  const BootResult run = Boot(
      device.Folder(), {"--quiet", "--frames", (out / "frames").string(), "--animation", (out / "boot.webp").string()});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_FALSE(fs::exists(out / "frames" / "000999.png"));

  // The frames as written one by one; one shown again in a row only lasts longer.
  std::vector<platform::host::ScreenImage> painted;
  std::string error;
  for (int i = 1;; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%06d.png", i);
    platform::host::ScreenImage frame;
    if (!fs::exists(out / "frames" / name)) break;
    ASSERT_TRUE(platform::host::ReadPng(out / "frames" / name, frame, error)) << error;
    if (painted.empty() || painted.back().pixels != frame.pixels) painted.push_back(std::move(frame));
  }
  std::vector<AnimationFrame> shown;
  ASSERT_TRUE(DecodeAnimation(out / "boot.webp", shown, error)) << error;
  ASSERT_GT(painted.size(), 3u);
  ASSERT_EQ(shown.size(), painted.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_TRUE(shown[i].image.pixels == painted[i].pixels) << "frame " << i + 1;
  }
  fs::remove_all(out);
}

}  // namespace
}  // namespace initap::test
