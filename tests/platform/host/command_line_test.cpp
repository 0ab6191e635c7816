#include "platform/host/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/temp_folder.h"

namespace platform::host {
namespace {

struct Parsed {
  bool ok = false;
  CommandLine line;
  std::string error;
};

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
  const Parsed parsed = Parse({"--display", "window", "--screenshot=shot.png", "--frames", "frames", "--mount",
                               "\\sd card=" + card.path().string(), "--close-after=2.5", "--quiet", Device()});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.line.window);
  EXPECT_EQ(parsed.line.screenshot, std::filesystem::path("shot.png"));
  EXPECT_EQ(parsed.line.frames, std::filesystem::path("frames"));
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
  const Parsed parsed = Parse({"--help", "--bogus"});
  EXPECT_TRUE(parsed.ok);
  EXPECT_TRUE(parsed.line.help);
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
