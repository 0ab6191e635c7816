#include "display/oem_logo.h"

#include "display/screen_painting.h"
#include "platform/common/boot_disk.h"
#include "platform/common/screen_size.h"
#include "tests/display/logo_fixture.h"

namespace initap::test {
namespace {

constexpr const char* kOpenFailure = "[Init_AP::GetOEMLogoData] Failed to createfile DSK1\n";

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(Rgb565ToRgb24Test, ByteExamplesGiveBlueGreenRedTriplets) {
  const std::uint8_t source[] = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0xFF, 0xFF, 0x00, 0x00};
  std::uint8_t destination[16];
  std::fill(std::begin(destination), std::end(destination), 0x77);
  Rgb565ToRgb24(source, destination, 5);
  const std::uint8_t expected[] = {248, 0, 0, 0, 252, 0, 0, 0, 248, 248, 252, 248, 0, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), destination));
  EXPECT_EQ(destination[15], 0x77);  // nothing past the pixels asked for
}

TEST(Rgb565ToRgb24Test, MissingBuffersOrNoPixelsChangeNothing) {
  const std::uint8_t source[] = {0xFF, 0xFF};
  std::uint8_t destination[3] = {1, 2, 3};
  Rgb565ToRgb24(nullptr, destination, 1);
  Rgb565ToRgb24(source, destination, 0);
  Rgb565ToRgb24(source, destination, -1);
  Rgb565ToRgb24(source, nullptr, 1);
  EXPECT_EQ(destination[0], 1);
  EXPECT_EQ(destination[1], 2);
  EXPECT_EQ(destination[2], 3);
}

using GetOEMLogoDataTest = LogoFixture;

using GetOEMLogoDataOfEachLogoTest = OnEachLogo;

TEST_P(GetOEMLogoDataOfEachLogoTest, CopiesTheLogoSectorsOfTheDisk) {
  const std::vector<std::uint8_t> logo = LogoPixels();
  WriteDisk(logo);
  std::vector<std::uint8_t> destination(platform::kOemLogoRawBytes + 16, 0x5A);
  EXPECT_TRUE(GetOEMLogoData(*app_, destination.data()));
  EXPECT_TRUE(std::equal(logo.begin(), logo.end(), destination.begin()));
  EXPECT_EQ(destination[192000], 0x5A);
  EXPECT_EQ(disks_.reads, 1);
  EXPECT_EQ(DebugLog(), "");
  // The disk was closed again: somebody else may open it now.
  EXPECT_TRUE(device_.Services().disks.Open(L"DSK1:"));
}

TEST_F(GetOEMLogoDataTest, RejectedReadLeavesTheDestinationAlone) {
  // The disk ends inside the logo sectors.
  WriteDisk({}, 700);
  std::vector<std::uint8_t> destination(platform::kOemLogoRawBytes, 0x5A);
  EXPECT_FALSE(GetOEMLogoData(*app_, destination.data()));
  EXPECT_EQ(destination, std::vector<std::uint8_t>(192000, 0x5A));
  EXPECT_EQ(DebugLog(), "");
}

TEST_F(GetOEMLogoDataTest, MissingDiskIsReportedToTheDebugOutput) {
  std::vector<std::uint8_t> destination(platform::kOemLogoRawBytes, 0x5A);
  EXPECT_FALSE(GetOEMLogoData(*app_, destination.data()));
  EXPECT_EQ(DebugLog(), kOpenFailure);
  EXPECT_EQ(device_.ReadFile("FlashHd/updatelog.txt"), "");
}

TEST_F(GetOEMLogoDataTest, DiskHeldByAnotherOpenerCannotBeRead) {
  WriteDisk(DrawnLogo());
  auto holder = device_.Services().disks.Open(platform::kBootDisk);
  ASSERT_TRUE(holder);
  std::vector<std::uint8_t> destination(platform::kOemLogoRawBytes, 0);
  EXPECT_FALSE(GetOEMLogoData(*app_, destination.data()));
  EXPECT_EQ(DebugLog(), kOpenFailure);
  EXPECT_EQ(destination, std::vector<std::uint8_t>(192000, 0));
}

using DrawOEMLogoTest = LogoFixture;

TEST_F(DrawOEMLogoTest, FirstDiskPixelIsTopLeftAndOffset480StartsTheSecondRow) {
  std::vector<std::uint8_t> logo(platform::kOemLogoRawBytes, 0);
  logo[0] = 0x1F;  // blue
  logo[2] = 0xE0;  // green
  logo[3] = 0x07;
  logo[479] = 0xFF;  // the last pixel of the top row: white
  logo[478] = 0xFF;
  logo[481] = 0xF8;  // red
  WriteDisk(logo);
  Prepare(*app_);
  OnPaint(*app_);
  EXPECT_EQ(At(0, 0), (Rgb{0, 0, 248}));
  EXPECT_EQ(At(1, 0), (Rgb{0, 252, 0}));
  EXPECT_EQ(At(239, 0), (Rgb{248, 252, 248}));
  EXPECT_EQ(At(0, 1), (Rgb{248, 0, 0}));
  EXPECT_EQ(At(1, 1), (Rgb{0, 0, 0}));
}

using DrawOEMLogoOfEachLogoTest = OnEachLogo;

TEST_P(DrawOEMLogoOfEachLogoTest, DiskIsReadAndConvertedOnceARun) {
  const std::vector<std::uint8_t> logo = LogoPixels();
  WriteDisk(logo);
  Prepare(*app_);
  OnPaint(*app_);
  EXPECT_EQ(app_->oemLogoReady, 1u);
  EXPECT_EQ(Screen().pixels, Shown(logo));
  // A changed disk does not reach the screen: the kept image is drawn.
  WriteDisk(std::vector<std::uint8_t>(platform::kOemLogoRawBytes, 0xFF));
  OnPaint(*app_);
  OnPaint(*app_);
  EXPECT_EQ(disks_.opens, 1);
  EXPECT_EQ(disks_.reads, 1);
  EXPECT_EQ(Screen().pixels, Shown(logo));
  // The converted image fills the first 288000 bytes of its buffer, blue first.
  const std::vector<std::uint8_t> shown = Shown(logo);
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), app_->oemLogoRgb.get()));
  EXPECT_EQ(app_->oemLogoRgb[288000], 0);
}

TEST_F(DrawOEMLogoTest, MissingDiskShowsABlackLogoAndIsReportedOnce) {
  Prepare(*app_);
  // Something on the screen before, so that black is what the paint drew.
  auto frame = app_->platform.graphics.CreateBackBuffer(platform::kScreenWidth, platform::kScreenHeight);
  frame->FillRect({0, 0, platform::kScreenWidth, platform::kScreenHeight}, 0x00FFFFFF);
  app_->platform.graphics.Present(*frame);
  OnPaint(*app_);
  OnPaint(*app_);
  EXPECT_EQ(Screen().pixels, std::vector<std::uint8_t>(240 * 400 * 3, 0));
  EXPECT_EQ(app_->oemLogoReady, 1u);
  EXPECT_EQ(disks_.opens, 1);
  EXPECT_EQ(Occurrences(DebugLog(), kOpenFailure), 1);
}

TEST_F(DrawOEMLogoTest, WithoutLogoBuffersNothingIsReadOrDrawn) {
  WriteDisk(DrawnLogo());
  app_->SetDefaults();
  auto frame = app_->platform.graphics.CreateBackBuffer(platform::kScreenWidth, platform::kScreenHeight);
  DrawOEMLogo(*app_, *frame);
  app_->oemLogoRaw = std::make_unique<std::uint8_t[]>(platform::kOemLogoRawBytes);
  DrawOEMLogo(*app_, *frame);
  EXPECT_EQ(disks_.opens, 0);
  EXPECT_EQ(app_->oemLogoReady, 0u);
  app_->platform.graphics.Present(*frame);
  EXPECT_EQ(Screen().pixels, std::vector<std::uint8_t>(240 * 400 * 3, 0));
}

INSTANTIATE_TEST_SUITE_P(EachLogo, GetOEMLogoDataOfEachLogoTest,
                         ::testing::Values(LogoSource::Drawn, LogoSource::Corpus), LogoName);
INSTANTIATE_TEST_SUITE_P(EachLogo, DrawOEMLogoOfEachLogoTest, ::testing::Values(LogoSource::Drawn, LogoSource::Corpus),
                         LogoName);

}  // namespace
}  // namespace initap::test
