#include "platform/host/rawdisk/host_rawdisk.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "tests/support/disk_pattern.h"
#include "tests/support/temp_folder.h"

namespace {

using platform::host::DeviceFolder;
using platform::host::HostRawDiskService;

using initap::test::PatternAt;
constexpr std::uint32_t kSectors = initap::test::kPatternSectors;

class HostRawDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.folder = folder_.path();
    std::ofstream(device_.File("disk.img"), std::ios::binary) << initap::test::PatternDisk();
  }

  initap::test::TempFolder folder_;
  DeviceFolder device_;
};

TEST_F(HostRawDiskTest, ReadsWholeSectorsFromTheirOffset) {
  HostRawDiskService disks(device_);
  auto disk = disks.Open(L"DSK1:");
  ASSERT_TRUE(disk);
  initap::test::ExpectLogoSectorsRead(*disk);
}

TEST_F(HostRawDiskTest, RejectsReadsPastTheEndAndIntoShortBuffers) {
  HostRawDiskService disks(device_);
  auto disk = disks.Open(L"DSK1:");
  ASSERT_TRUE(disk);
  std::vector<std::uint8_t> buffer(4 * 512);
  EXPECT_TRUE(disk->ReadSectors(kSectors - 2, 2, buffer));
  EXPECT_EQ(buffer[1023], PatternAt(std::uint64_t{kSectors} * 512 - 1));
  EXPECT_FALSE(disk->ReadSectors(kSectors - 1, 2, buffer));
  EXPECT_FALSE(disk->ReadSectors(kSectors, 1, buffer));
  EXPECT_FALSE(disk->ReadSectors(0xFFFFFFFF, 1, buffer));
  EXPECT_FALSE(disk->ReadSectors(0, 5, buffer));
}

TEST_F(HostRawDiskTest, KnowsOnlyTheBootDiskWhateverTheCase) {
  HostRawDiskService disks(device_);
  EXPECT_FALSE(disks.Open(L"DSK2:"));
  EXPECT_FALSE(disks.Open(L"DSK1"));
  EXPECT_FALSE(disks.Open(L""));
  EXPECT_TRUE(disks.Open(L"dsk1:"));
}

TEST_F(HostRawDiskTest, MissingImageCannotBeOpened) {
  std::filesystem::remove(device_.File("disk.img"));
  HostRawDiskService disks(device_);
  EXPECT_FALSE(disks.Open(L"DSK1:"));
  // Opening never creates the disk.
  EXPECT_FALSE(std::filesystem::exists(device_.File("disk.img")));
}

TEST_F(HostRawDiskTest, OneOpenerAtATime) {
  HostRawDiskService disks(device_);
  HostRawDiskService sameDevice(device_);
  auto first = disks.Open(L"DSK1:");
  ASSERT_TRUE(first);
  EXPECT_FALSE(disks.Open(L"DSK1:"));
  EXPECT_FALSE(sameDevice.Open(L"DSK1:"));
  first.reset();
  EXPECT_TRUE(sameDevice.Open(L"DSK1:"));
}

TEST_F(HostRawDiskTest, DiskLockedByAnotherOpenerIsRefused) {
  const int fd = open(device_.File("disk.img").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  HostRawDiskService disks(device_);
  EXPECT_FALSE(disks.Open(L"DSK1:"));
  close(fd);
  EXPECT_TRUE(disks.Open(L"DSK1:"));
}

TEST_F(HostRawDiskTest, OpenDiskKeepsOthersOut) {
  HostRawDiskService disks(device_);
  auto disk = disks.Open(L"DSK1:");
  ASSERT_TRUE(disk);
  const int fd = open(device_.File("disk.img").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);
  close(fd);
}

}  // namespace
