#include "display/update_log.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/init_ap.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

class UpdateLogTest : public ::testing::Test {
 protected:
  test::TestDevice device{"[device]\ntimezone = UTC\n"};
  Init_AP app{device.Services()};

  void SetClock(std::uint16_t month, std::uint16_t day, std::uint16_t hour, std::uint16_t minute) {
    platform::SystemTime utc;
    utc.year = 2026;
    utc.month = month;
    utc.day = day;
    utc.hour = hour;
    utc.minute = minute;
    utc.second = 10;
    ASSERT_TRUE(app.platform.kernel.SetSystemTime(utc));
  }
  std::string Log() { return device.ReadFile("FlashHd/updatelog.txt"); }
};

TEST_F(UpdateLogTest, EachLineStartsWithTheLocalMonthDayHourAndMinute) {
  SetClock(1, 3, 9, 5);
  EXPECT_TRUE(WriteLog(app, L"found update file %s.", L"\\FlashHd\\update.xml"));
  SetClock(12, 31, 23, 59);
  EXPECT_TRUE(WriteLog(app, L"update finished."));
  EXPECT_EQ(Log(),
            "(01-03 09:05) found update file \\FlashHd\\update.xml.\n"
            "(12-31 23:59) update finished.\n");
}

TEST_F(UpdateLogTest, LinesAreAppendedAfterWhatEarlierRunsWrote) {
  device.WriteFile("FlashHd/updatelog.txt", "an earlier run\n");
  EXPECT_TRUE(WriteLog(app, L"%d files has been copied.", 3));
  const std::string log = Log();
  ASSERT_EQ(log.rfind("an earlier run\n(", 0), 0u) << log;
  EXPECT_EQ(log.substr(log.size() - 25), "3 files has been copied.\n");
}

TEST_F(UpdateLogTest, TextIsUtf8AndAnOverlongMessageIsCutAt1023Characters) {
  EXPECT_TRUE(WriteLog(app, L"%s", std::wstring(L"\u00e9\u4e2d") + std::wstring(2000, L'x')));
  const std::string log = Log();
  ASSERT_GE(log.size(), 14u);
  const std::string message = log.substr(14);
  EXPECT_EQ(message.substr(0, 5), "\xc3\xa9\xe4\xb8\xad");
  EXPECT_EQ(message.size(), 5 + 1021 + 1);
  EXPECT_EQ(message.back(), '\n');
}

TEST_F(UpdateLogTest, TheCutCountsUnitsAndLeavesASplitCharacterOutWhole) {
  EXPECT_TRUE(WriteLog(app, L"%s", std::wstring(1021, L'x') + L"\U00020000\U00020000"));
  const std::string log = Log();
  ASSERT_GE(log.size(), 14u);
  EXPECT_EQ(log.substr(14), std::string(1021, 'x') + "\xf0\xa0\x80\x80\n");
}

TEST_F(UpdateLogTest, WithoutTheFlashVolumeNothingIsWrittenAndTheResultIsFalse) {
  device.RemoveFolder("FlashHd");
  EXPECT_FALSE(WriteLog(app, L"update finished."));
  EXPECT_FALSE(device.Exists("FlashHd"));
}

TEST_F(UpdateLogTest, LinesOfTwoThreadsStayWhole) {
  std::thread other([this] {
    for (int i = 0; i < 200; ++i) WriteLog(app, L"worker line %d", i);
  });
  for (int i = 0; i < 200; ++i) WriteLog(app, L"window line %d", i);
  other.join();
  const std::string log = Log();
  std::size_t lines = 0;
  for (std::size_t start = 0; start < log.size();) {
    const std::size_t end = log.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = log.substr(start, end - start);
    EXPECT_TRUE(line.find(") worker line ") == 12 || line.find(") window line ") == 12) << line;
    ++lines;
    start = end + 1;
  }
  EXPECT_EQ(lines, 400u);
}

}  // namespace
}  // namespace initap
