#include "tools/logo/logo_tool.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/common/oem_logo_layout.h"
#include "platform/host/graphics/png_file.h"
#include "tests/support/corpus.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"

namespace initap::logo {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLogoOffset = platform::kOemLogoOffset;
constexpr std::size_t kLogoBytes = platform::kOemLogoRawBytes;

using test::ReadHostFile;

class LogoToolTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> arguments) {
    out_.str("");
    err_.str("");
    return RunLogoTool(arguments, out_, err_);
  }
  std::string Path(const char* name) const { return (folder_.path() / name).string(); }

  test::TempFolder folder_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// The demo device's logo, and the outside picture with the pixels another program made of it.
class LogoPictureTest : public LogoToolTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    if (Corpus()) INITAP_SKIP_WITHOUT_CORPUS();
  }
  bool Corpus() const { return std::string(GetParam()) == "Corpus"; }
  std::string Picture() const {
    return (Corpus() ? test::CorpusFolder() / "img/astronaut_240x400.png"
                     : fs::path(INITAP_SOURCE_DIR) / "examples/demo-logo.png")
        .string();
  }
  // The logo sectors the picture gives: the top bits of red, green and blue, low byte first.
  std::string Pixels() const {
    if (Corpus()) return test::ReadCorpusFile("img/astronaut_240x400.rgb565le.raw");
    platform::host::ScreenImage picture;
    std::string error;
    EXPECT_TRUE(platform::host::ReadPng(Picture(), picture, error)) << error;
    std::string pixels;
    for (std::size_t i = 0; i + 2 < picture.pixels.size(); i += 3) {
      const unsigned v =
          (picture.pixels[i + 2] >> 3) << 11 | (picture.pixels[i + 1] >> 2) << 5 | picture.pixels[i] >> 3;
      pixels += static_cast<char>(v & 0xFF);
      pixels += static_cast<char>(v >> 8);
    }
    return pixels;
  }
};

INSTANTIATE_TEST_SUITE_P(EachPicture, LogoPictureTest, ::testing::Values("DemoLogo", "Corpus"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(LogoPictureTest, WriteCreatesADiskWithThePicturesPixelsInTheLogoSectors) {
  ASSERT_EQ(Run({"write", Path("disk.img"), Picture()}), 0) << err_.str();
  const std::string disk = ReadHostFile(Path("disk.img"));
  ASSERT_EQ(disk.size(), kLogoOffset + kLogoBytes);
  EXPECT_EQ(disk.substr(kLogoOffset), Pixels());
  EXPECT_EQ(disk.substr(0, kLogoOffset), std::string(kLogoOffset, '\0'));
}

TEST_P(LogoPictureTest, WriteKeepsEverythingOutsideTheLogoSectors) {
  std::string before(2 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < before.size(); ++i) before[i] = static_cast<char>(i * 13 + 7);
  std::ofstream(Path("disk.img"), std::ios::binary) << before;
  ASSERT_EQ(Run({"write", Path("disk.img"), Picture()}), 0) << err_.str();
  const std::string after = ReadHostFile(Path("disk.img"));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, kLogoOffset), before.substr(0, kLogoOffset));
  EXPECT_EQ(after.substr(kLogoOffset + kLogoBytes), before.substr(kLogoOffset + kLogoBytes));
  EXPECT_EQ(after.substr(kLogoOffset, kLogoBytes), Pixels());
}

TEST_F(LogoToolTest, PictureOfAnotherSizeIsRefused) {
  std::string error;
  platform::host::ScreenImage wrong{400, 240, std::vector<std::uint8_t>(400 * 240 * 3, 0x80)};
  ASSERT_TRUE(platform::host::WritePng(Path("wide.png"), wrong, error)) << error;
  std::ofstream(Path("disk.img"), std::ios::binary) << "keep";
  EXPECT_EQ(Run({"write", Path("disk.img"), Path("wide.png")}), 1);
  EXPECT_NE(err_.str().find("240x400"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("400x240"), std::string::npos) << err_.str();
  EXPECT_EQ(ReadHostFile(Path("disk.img")), "keep");

  EXPECT_EQ(Run({"write", Path("new.img"), Path("wide.png")}), 1);
  EXPECT_FALSE(fs::exists(Path("new.img")));
}

TEST_P(LogoPictureTest, ReadGivesThePictureAsTheDeviceShowsIt) {
  ASSERT_EQ(Run({"write", Path("disk.img"), Picture()}), 0);
  ASSERT_EQ(Run({"read", Path("disk.img"), Path("out.png")}), 0) << err_.str();
  platform::host::ScreenImage picture;
  std::string error;
  ASSERT_TRUE(platform::host::ReadPng(Path("out.png"), picture, error)) << error;
  ASSERT_EQ(picture.width, 240);
  ASSERT_EQ(picture.height, 400);
  const std::string raw = Pixels();
  ASSERT_EQ(raw.size(), kLogoBytes);
  for (std::size_t i = 0; i < 240 * 400; ++i) {
    const unsigned v = static_cast<std::uint8_t>(raw[2 * i]) | static_cast<std::uint8_t>(raw[2 * i + 1]) << 8;
    // Blue, green, red.
    ASSERT_EQ(picture.pixels[3 * i], (v & 0x1F) << 3) << i;
    ASSERT_EQ(picture.pixels[3 * i + 1], ((v >> 5) & 0x3F) << 2) << i;
    ASSERT_EQ(picture.pixels[3 * i + 2], (v >> 11) << 3) << i;
  }
  // Writing what was read puts back the same bytes.
  ASSERT_EQ(Run({"write", Path("again.img"), Path("out.png")}), 0);
  EXPECT_EQ(ReadHostFile(Path("again.img")), ReadHostFile(Path("disk.img")));
}

TEST_F(LogoToolTest, ReadOfADiskWithoutLogoFails) {
  std::ofstream(Path("short.img"), std::ios::binary) << std::string(kLogoOffset + kLogoBytes - 1, 'x');
  EXPECT_EQ(Run({"read", Path("short.img"), Path("out.png")}), 1);
  EXPECT_NE(err_.str().find("520 to 894"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"read", Path("missing.img"), Path("out.png")}), 1);
  EXPECT_FALSE(fs::exists(Path("out.png")));
}

TEST_F(LogoToolTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_NE(err_.str().find("usage"), std::string::npos);
  EXPECT_EQ(Run({"paint", "a", "b"}), 2);
  EXPECT_NE(err_.str().find("paint"), std::string::npos);
  EXPECT_EQ(Run({"write", Path("disk.img")}), 2);
  EXPECT_EQ(Run({"read", "a", "b", "c"}), 2);
  EXPECT_FALSE(fs::exists(Path("disk.img")));
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("initap-logo write DISK.img LOGO.png"), std::string::npos);
}

}  // namespace
}  // namespace initap::logo
