// What the command line makes of its paths, over paths as a platform places
// them; the host's own folders are in tests/platform/host/command_line_test.cpp.
#include "platform/common/initap_command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

// Each path placed under "at/"; a place ending in "missing" is no folder, and
// an output file is answered by its name.
class PlacedPaths final : public CommandLinePaths {
 public:
  std::string Place(Kind kind, std::string_view given) override {
    placed.push_back({kind, std::string(given)});
    return "at/" + std::string(given);
  }
  bool IsFolder(const std::string& at) const override { return !at.ends_with("missing"); }
  OutputFile CheckOutputFile(const std::string& at) const override {
    if (at == "at/folder") return OutputFile::kFolder;
    if (at == "at/missing/shot.png") return OutputFile::kNoFolder;
    if (at == "at/read-only.png") return OutputFile::kNotWritable;
    return OutputFile::kWritable;
  }

  std::vector<std::pair<Kind, std::string>> placed;
};

TEST(InitapCommandLineTest, EveryPathIsPlacedOnceWithWhatItIsAndKeptWhereItWasPlaced) {
  PlacedPaths paths;
  InitapCommandLine line;
  std::string error;
  const std::vector<std::string> arguments{"--screenshot", "shot.png", "--frames=frames", "--mount", "\\FLASHHD=card",
                                           "--report",     "r.json",   "--animation",     "a.webp",  "--expect",
                                           "tree",         "dev"};
  ASSERT_TRUE(ParseInitapCommandLine(arguments, paths, line, error)) << error;
  using Kind = CommandLinePaths::Kind;
  EXPECT_EQ(paths.placed, (std::vector<std::pair<Kind, std::string>>{{Kind::kOutputFile, "shot.png"},
                                                                     {Kind::kOutputFolder, "frames"},
                                                                     {Kind::kMountedFolder, "card"},
                                                                     {Kind::kOutputFile, "r.json"},
                                                                     {Kind::kOutputFile, "a.webp"},
                                                                     {Kind::kMountedFolder, "tree"},
                                                                     {Kind::kDevice, "dev"}}));
  EXPECT_EQ(line.screenshot, "at/shot.png");
  EXPECT_EQ(line.frames, "at/frames");
  ASSERT_EQ(line.mounts.size(), 1u);
  EXPECT_EQ(line.mounts[0].volume, "FLASHHD");
  EXPECT_EQ(line.mounts[0].folder, "at/card");
  EXPECT_EQ(line.report, "at/r.json");
  EXPECT_EQ(line.animation, "at/a.webp");
  EXPECT_EQ(line.expect, "at/tree");
  EXPECT_EQ(line.device, "at/dev");
}

TEST(InitapCommandLineTest, RefusalsNameEachPathAsItWasGiven) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--screenshot", "folder", "dev"}, "--screenshot wants a file name, not the folder 'folder'"},
      {{"--animation=missing/shot.png", "dev"}, "--animation file 'missing/shot.png' is in no existing folder"},
      {{"--screenshot", "read-only.png", "dev"}, "--screenshot file 'read-only.png' cannot be written here"},
      {{"--mount", "windows=missing", "dev"}, "--mount folder 'missing' is not a folder"},
      {{"--expect", "missing", "dev"}, "--expect folder 'missing' is not a folder"},
      {{"missing"}, "DEVICE folder 'missing' does not exist"},
      // A long s is no S on the device's file systems.
      {{"--mount", "\\\xc5\xbfystem=card", "dev"}, "--mount: the device has no volume '\\\xc5\xbfystem'"},
  };
  for (const auto& [arguments, expected] : cases) {
    PlacedPaths paths;
    InitapCommandLine line;
    std::string error;
    EXPECT_FALSE(ParseInitapCommandLine(arguments, paths, line, error)) << expected;
    EXPECT_EQ(error.find(expected), 0u) << error;
  }
}

}  // namespace
}  // namespace platform
