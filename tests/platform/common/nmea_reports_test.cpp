#include "platform/common/nmea_reports.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(DayOfWeekTest, CountsFromSunday) {
  EXPECT_EQ(DayOfWeek(1970, 1, 1), 4);
  EXPECT_EQ(DayOfWeek(2000, 2, 29), 2);
  EXPECT_EQ(DayOfWeek(2024, 3, 10), 0);
  EXPECT_EQ(DayOfWeek(1999, 12, 31), 5);
}

}  // namespace
}  // namespace platform
