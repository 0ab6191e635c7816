// The sizes device.ini's [volumes] gives the device's volumes.
#include "platform/common/volume_sizes.h"

#include <gtest/gtest.h>

#include <sstream>

namespace initap::test {
namespace {

TEST(VolumeSizesTest, ReadsWholeUnitsAndRefusesWhatIsNoSizeOrNoVolume) {
  const struct {
    const char* ini;
    std::uint64_t bytes;  // of the one volume given; 0 when refused
    const char* said;
  } cases[] = {
      {"[volumes]\nFlashHd = 512MiB\n", 512ull << 20, ""},
      {"[device]\ntimezone = UTC\n[volumes]\nflashhd=4KiB ; the demo's\n", 4096, ""},
      {"[volumes]\nFlashHd = 2 GiB\n", 2ull << 30, ""},
      {"[volumes]\nFlashHd = 1000\n", 1000, ""},
      {"[volumes]\nFlashHd = 1000B\n", 1000, ""},
      {"[volumes]\nFlashHd = 1.5GiB\n", 0, "FlashHd = 1.5GiB is no size such as 512MiB"},
      {"[volumes]\nFlashHd = 512MB\n", 0, "is no size such as 512MiB"},
      {"[volumes]\nFlashHd = -1\n", 0, "is no size"},
      {"[volumes]\nFlashHd = 99999999999999GiB\n", 0, "is no size"},
      {"[volumes]\nFlash Hd = 1MiB\n", 0, "names \"Flash Hd\", which is no volume of the device"},
      {"[volumes]\nFlashHd = 1MiB\nFLASHHD = 2MiB\n", 0, "gives the size of \"FLASHHD\" twice"},
  };
  for (const auto& c : cases) {
    std::istringstream ini(c.ini);
    std::vector<platform::VolumeSize> sizes;
    std::string error;
    const bool read = platform::ReadVolumeSizes(ini, sizes, error);
    EXPECT_EQ(read, c.bytes != 0) << c.ini;
    if (read) {
      ASSERT_EQ(sizes.size(), 1u) << c.ini;
      EXPECT_EQ(sizes[0].volume, L"FlashHd");
      EXPECT_EQ(sizes[0].bytes, c.bytes) << c.ini;
    } else {
      EXPECT_NE(error.find(c.said), std::string::npos) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace initap::test
