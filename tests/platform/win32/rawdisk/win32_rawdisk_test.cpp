#include "platform/win32/rawdisk/win32_rawdisk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "tests/support/device_tree.h"
#include "tests/support/disk_pattern.h"

namespace initap::test {
namespace {

using platform::win32::DeviceAt;
using platform::win32::Win32RawDiskService;

constexpr std::uint32_t kSectors = kPatternSectors;

class Win32RawDiskTest : public ::testing::Test {
 protected:
  void SetUp() override { device_.WriteDeviceFile("disk.img", PatternDisk()); }

  DeviceTree device_;
  Win32RawDiskService disks_{DeviceAt(device_.Folder().wstring())};
};

TEST_F(Win32RawDiskTest, ReadsTheLogoSectorsAndRejectsWhatTheDiskHasNot) {
  auto disk = disks_.Open(L"DSK1:");
  ASSERT_TRUE(disk);
  ASSERT_NO_FATAL_FAILURE(ExpectLogoSectorsRead(*disk));
  std::vector<std::uint8_t> small(4 * 512);
  EXPECT_TRUE(disk->ReadSectors(kSectors - 2, 2, small));
  EXPECT_EQ(small[1023], PatternAt(std::uint64_t{kSectors} * 512 - 1));
  EXPECT_FALSE(disk->ReadSectors(kSectors - 1, 2, small));
  EXPECT_FALSE(disk->ReadSectors(0xFFFFFFFF, 1, small));
  EXPECT_FALSE(disk->ReadSectors(0, 5, small));
}

TEST_F(Win32RawDiskTest, OnlyTheBootDiskOpensAndOnlyForOneOpener) {
  EXPECT_FALSE(disks_.Open(L"DSK2:"));
  EXPECT_FALSE(disks_.Open(L"DSK1"));
  EXPECT_FALSE(disks_.Open(L""));
  auto disk = disks_.Open(L"dsk1:");
  ASSERT_TRUE(disk);
  EXPECT_FALSE(disks_.Open(L"DSK1:"));
  EXPECT_FALSE(std::ifstream(device_.Folder() / "disk.img").is_open());
  disk.reset();
  EXPECT_TRUE(disks_.Open(L"DSK1:"));
  EXPECT_TRUE(std::ifstream(device_.Folder() / "disk.img").is_open());
}

TEST_F(Win32RawDiskTest, AMissingImageIsNeverCreated) {
  std::filesystem::remove(device_.Folder() / "disk.img");
  EXPECT_FALSE(disks_.Open(L"DSK1:"));
  EXPECT_FALSE(device_.DeviceFileExists("disk.img"));
}

}  // namespace
}  // namespace initap::test
