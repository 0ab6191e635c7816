#include "platform/host/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/common/initap_command_line.h"
#include "tests/support/temp_folder.h"

namespace platform::host {
namespace {

struct Parsed {
  bool ok = false;
  CommandLine line;
  std::string error;
};

std::string_view Usage() { return InitapUsage(); }

Parsed Parse(std::vector<std::string> arguments) {
  std::vector<const char*> argv{"initap"};
  for (const auto& argument : arguments) argv.push_back(argument.c_str());
  Parsed parsed;
  parsed.ok = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.line, parsed.error);
  return parsed;
}

class CommandLineTest : public ::testing::Test {
 protected:
  initap::test::TempFolder device;
  initap::test::TempFolder card;
  std::string Device() const { return device.path().string(); }
};

TEST_F(CommandLineTest, EveryOptionInBothSpellings) {
  const Parsed parsed =
      Parse({"--display", "window", "--screenshot=shot.png", "--frames", "frames", "--animation", "boot.webp",
             "--mount", "\\sd card=" + card.path().string(), "--close-after=2.5", "--quiet", Device()});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.line.window);
  EXPECT_EQ(parsed.line.screenshot, std::filesystem::path("shot.png"));
  EXPECT_EQ(parsed.line.frames, std::filesystem::path("frames"));
  EXPECT_EQ(parsed.line.animation, std::filesystem::path("boot.webp"));
  ASSERT_EQ(parsed.line.device.mounts.size(), 1u);
  EXPECT_EQ(parsed.line.device.mounts[0].volume, L"sd card");
  EXPECT_EQ(parsed.line.device.mounts[0].hostFolder, card.path());
  EXPECT_EQ(parsed.line.closeAfter, std::chrono::milliseconds(2500));
  EXPECT_TRUE(parsed.line.quiet);
  EXPECT_EQ(parsed.line.device.folder, device.path());
}

TEST_F(CommandLineTest, DefaultsAreHeadlessWithoutOutputs) {
  const Parsed parsed = Parse({Device()});
  ASSERT_TRUE(parsed.ok);
  EXPECT_FALSE(parsed.line.window);
  EXPECT_FALSE(parsed.line.screenshot);
  EXPECT_FALSE(parsed.line.closeAfter);
  EXPECT_FALSE(parsed.line.quiet);
}

TEST_F(CommandLineTest, HelpWinsOverEverythingElse) {
  for (const char* help : {"--help", "-h"}) {
    const Parsed parsed = Parse({help, "--bogus"});
    EXPECT_TRUE(parsed.ok) << help;
    EXPECT_TRUE(parsed.line.help) << help;
  }
  for (const char* named : {"docs/guide.md", "-h, --help", "--animation", "Exit codes", "--dry-run", " 3 ", " 4 "}) {
    EXPECT_NE(Usage().find(named), std::string_view::npos) << named;
  }
}

TEST_F(CommandLineTest, VolumesAreMatchedWithoutRegardToCase) {
  for (const char* volume : {"\\sd card", "SD CARD", "\\storage card\\", "flashhd", "\\System", "windows"}) {
    const Parsed parsed = Parse({"--mount", std::string(volume) + "=" + card.path().string(), Device()});
    EXPECT_TRUE(parsed.ok) << volume << ": " << parsed.error;
  }
}

TEST_F(CommandLineTest, UsageErrorsSayWhatIsWrongInOneLine) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--bogus", Device()}, "unknown option '--bogus'"},
      {{}, "no DEVICE folder"},
      {{"/nonexistent/device"}, "does not exist"},
      {{Device(), Device()}, "one DEVICE folder only"},
      {{"--display", "fullscreen", Device()}, "--display wants headless or window"},
      {{"--close-after", "soon", Device()}, "--close-after wants a number"},
      {{"--close-after", "-1", Device()}, "--close-after wants a number"},
      {{"--mount", "nofolder", Device()}, "--mount wants VOLUME=HOSTDIR"},
      {{"--mount", "\\sd card=/nonexistent/card", Device()}, "is not a folder"},
      {{"--mount", "\\a\\b=" + card.path().string(), Device()}, "one volume name"},
      {{Device(), "--screenshot"}, "--screenshot needs a value"},
      {{"--mount", "\\sdcard=" + card.path().string(), Device()},
       "no volume '\\sdcard'; its volumes are '\\sd card', '\\Storage Card', '\\FlashHd', '\\System', '\\Windows'"},
      {{"--screenshot", "/nonexistent/shot.png", Device()}, "--screenshot file '/nonexistent/shot.png' is in no"},
      {{"--animation", card.path().string(), Device()}, "--animation wants a file name, not the folder"},
      {{"--animation", card.path().string() + "/", Device()}, "--animation wants a file name"},
      {{"--animation=/nonexistent/boot.webp", Device()}, "is in no existing folder"},
  };
  for (const auto& [arguments, expected] : cases) {
    const Parsed parsed = Parse(arguments);
    EXPECT_FALSE(parsed.ok) << expected;
    EXPECT_NE(parsed.error.find(expected), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
  }
}

}  // namespace
}  // namespace platform::host
