// The device clock set from the receiver's first fix.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/e2e/device_boot.h"
#include "tests/support/nmea_sentence.h"

namespace initap::test {
namespace {

// 15 July 2031, 10:20:00 UTC, in seconds since 1970.
constexpr std::int64_t kFixTime = 1941877200;

TEST_F(BootTest, FirstFixSetsTheClockAndTheLogCarriesItsDate) {
  device.WriteDeviceFile(
      "gps.nmea", NmeaSentence("GPGGA,101958.00,,,,,0,00,99.99,,,,,,") + NmeaSentence("GPRMC,101958.00,V,,,,,,,,,,N") +
                      NmeaSentence("GPGGA,101959.00,,,,,0,03,5.20,,,,,,") +
                      NmeaSentence("GPRMC,101959.00,V,,,,,,,,,,N") +
                      NmeaSentence("GPGGA,102000.00,4807.0380,N,01131.0000,E,1,06,1.20,520.4,M,47.0,M,,") +
                      NmeaSentence("GPRMC,102000.00,A,4807.0380,N,01131.0000,E,0.00,0.00,150731,,,A") +
                      NmeaSentence("GPRMC,102001.00,A,4807.0381,N,01131.0001,E,0.00,0.00,150731,,,A"));
  const auto before = std::chrono::system_clock::now();
  const BootResult run = Run();
  const auto after = std::chrono::system_clock::now();
  EXPECT_EQ(run.exitCode, 1) << run.output;

  const std::optional<std::int64_t> offset = ClockOffset(device);
  ASSERT_TRUE(offset.has_value());
  // The clock was set to the fix during the run: fix - offset lies within the run.
  const std::int64_t setAt = kFixTime - *offset;
  EXPECT_GE(setAt, std::chrono::duration_cast<std::chrono::seconds>(before.time_since_epoch()).count() - 1);
  EXPECT_LE(setAt, std::chrono::duration_cast<std::chrono::seconds>(after.time_since_epoch()).count() + 1);

  const std::vector<std::string> lines = LogLines(device);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) EXPECT_EQ(line.substr(0, 14), "(07-15 10:20) ") << line;
}

TEST_F(BootTest, WithoutAReceiverTheClockStaysAsItWas) {
  EXPECT_EQ(Run().exitCode, 1);
  EXPECT_FALSE(ClockOffset(device).has_value());
  EXPECT_EQ(LogLines(device).size(), 2u);
}

}  // namespace
}  // namespace initap::test
