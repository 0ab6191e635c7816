#include "platform/host/gps/host_gps.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/common/nmea_reports.h"
#include "platform/host/kernel/host_kernel.h"
#include "tests/support/corpus.h"
#include "tests/support/fifo.h"
#include "tests/support/nmea_sentence.h"
#include "tests/support/temp_folder.h"

namespace platform::host {
namespace {

// A sentence without its line end, so that each log chooses its own.
std::string Sentence(const std::string& body) {
  std::string line = initap::test::NmeaSentence(body);
  line.resize(line.size() - 2);
  return line;
}

std::string Format(const SystemTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.milliseconds);
  return text;
}

class HostGpsTest : public ::testing::Test {
 protected:
  DeviceFolder Device() const { return DeviceFolder{temp_.path(), {}}; }
  void WriteLog(const std::string& bytes) { std::ofstream(temp_.path() / "gps.nmea", std::ios::binary) << bytes; }

  // Reads as the system does: a read each time the new-location event comes.
  std::vector<SystemTime> ReadAll(HostGps& gps, std::size_t limit = 100000) {
    auto event = kernel_.CreateEvent();
    auto state = kernel_.CreateEvent();
    const auto handle = gps.OpenDevice(event.get(), state.get());
    EXPECT_NE(handle, 0u);
    std::vector<SystemTime> reads;
    while (reads.size() < limit && event->Wait(0)) {
      GpsPosition position;
      position.version = 1;
      position.size = sizeof(GpsPosition);
      gps.GetPosition(handle, position, 10000, 0);
      reads.push_back(position.utc);
    }
    events_.push_back(std::move(event));
    events_.push_back(std::move(state));
    return reads;
  }

  // The first read that carries a UTC date, or "none".
  std::string FirstFix(const std::vector<SystemTime>& reads) {
    for (const auto& t : reads) {
      if (t.year != 0) return Format(t);
    }
    return "none";
  }

  initap::test::TempFolder temp_;
  HostKernel kernel_{DeviceFolder{temp_.path(), {}}};
  std::vector<std::unique_ptr<platform::Event>> events_;  // outlive the receiver's handles
};

// Receiver logs of the tests' own, one for each way a receiver reaches its first fix.
std::string Seconds(int count, const std::function<std::string(int)>& second) {
  std::string log;
  for (int i = 0; i < count; ++i) log += second(i);
  return log;
}

std::string Time(int hour, int minute, int second, const char* fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d%s", hour, minute, second, fraction);
  return text;
}

// Seven seconds without fix, the RMC sentences with status V and a bogus 1980 date, then the fix.
std::string PowerUpLog() {
  return Sentence("PMTK010,001") + "\r\n" + Seconds(10, [](int i) {
           const bool fix = i >= 7;
           const std::string t = fix ? Time(9, 30, 5 + i, ".000") : Time(23, 59, 46 + i, ".005");
           return Sentence("GPGGA," + t + (fix ? ",4807.0380,N,01131.0000,E,1,06," : ",8960.0000,N,00000.0000,E,0,0,") +
                           "1.2,520.0,M,47.0,M,,") +
                  "\r\n" +
                  Sentence("GPRMC," + t +
                           (fix ? ",A,4807.0380,N,01131.0000,E,0.1,0.0,170623,,,A"
                                : ",V,8960.0000,N,00000.0000,E,0.0,0.0,050180,,,N")) +
                  "\r\n" + Sentence("GPVTG,0.00,T,,M,0.000,N,0.000,K,N") + "\r\n";
         });
}

// RMC and ZDA each second, lines ended now by CR LF, now by LF alone.
std::string RmcZdaLog() {
  return Sentence("GPTXT,01,01,02,ANTSTATUS=OK") + "\n" + Seconds(8, [](int i) {
           const int second = 55 + i;
           const std::string t = Time(second >= 60 ? 0 : 23, second >= 60 ? 0 : 59, second % 60, ".50");
           const std::string date = second >= 60 ? "01,01,2020" : "31,12,2019";
           const std::string end = i % 2 ? "\n" : "\r\n";
           return Sentence("GPRMC," + t + (i >= 3 ? ",A,5547.82,N,02334.14,E,0.0,0.0," : ",V,,,,,,,") +
                           (second >= 60 ? "010120" : "311219") + ",,,A") +
                  end + Sentence("GPZDA," + t + "," + date + ",00,00") + end;
         });
}

// RMC alone, with whole seconds, status V and a date until the fix.
std::string RmcOnlyLog() {
  return Seconds(9, [](int i) {
    return Sentence("GPRMC," + Time(12, 0, i, "") + (i >= 5 ? ",A" : ",V") +
                    ",4221.4394,N,01321.9948,E,000.0,000.0,290208,001.4,E") +
           "\r\n" + Sentence("GPGSV,1,1,02,01,10,158,45,03,72,164,41") + "\r\n";
  });
}

// A cold start that never gets a fix: status V and a date throughout.
std::string ColdStartLog() {
  return Seconds(12, [](int i) {
    const std::string t = Time(21, 24, 6 + i, ".000");
    return Sentence("GPGGA," + t + ",0000.0000,N,00000.0000,E,0,00,0.0,0.000,M,0.000,M,,") + "\r\n" +
           Sentence("GPGSA,A,1,,,,,,,,,,,,,0.0,0.0,0.0") + "\r\n" +
           Sentence("GPRMC," + t + ",V,0000.0000,N,00000.0000,E,0.0,0.0,130415,,,N") + "\r\n";
  });
}

// A fix from the very first line on.
std::string FixedLog() {
  return Seconds(8, [](int i) {
    const std::string t = Time(7, 8, 9 + i, ".000");
    return Sentence("GPRMC," + t + ",A,3723.2475,N,12158.3416,W,0.13,309.62,051121,,,A") + "\r\n" +
           Sentence("GPGGA," + t + ",3723.2475,N,12158.3416,W,1,08,0.9,10.0,M,-30.0,M,,") + "\r\n" +
           Sentence("GPZDA," + t + ",05,11,2021,00,00") + "\r\n";
  });
}

struct LogCase {
  const char* name;
  std::string (*own)();  // the log, or null for the outside log below
  const char* corpusLog;
  const char* fix;
  int dayOfWeek;
  int withoutFix;  // reads before the first fix, or -1 when not counted
};

void PrintTo(const LogCase& c, std::ostream* out) { *out << c.name; }

class HostGpsLogTest : public HostGpsTest, public ::testing::WithParamInterface<LogCase> {};

TEST_P(HostGpsLogTest, FirstValidFixComesAfterTheReadsWithoutDate) {
  const LogCase& c = GetParam();
  if (c.own == nullptr) {
    INITAP_SKIP_WITHOUT_CORPUS();
    WriteLog(initap::test::ReadCorpusFile(std::string("nmea/") + c.corpusLog));
  } else {
    WriteLog(c.own());
  }
  HostGps gps(Device(), kernel_);
  const auto reads = ReadAll(gps);
  EXPECT_GT(reads.size(), 5u);
  EXPECT_EQ(FirstFix(reads), c.fix);
  for (const auto& t : reads) {
    if (t.year != 0) {
      EXPECT_EQ(t.dayOfWeek, c.dayOfWeek);
      break;
    }
  }
  if (c.withoutFix >= 0) {
    ASSERT_GT(reads.size(), static_cast<std::size_t>(c.withoutFix));
    for (int i = 0; i < c.withoutFix; ++i) EXPECT_EQ(reads[i].year, 0) << i;
    EXPECT_EQ(FirstFix({reads[c.withoutFix]}), c.fix);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachLog, HostGpsLogTest,
    ::testing::Values(LogCase{"PowerUp", PowerUpLog, nullptr, "2023-06-17 09:30:12.000", 6, 7},
                      LogCase{"RmcZdaMixedLineEnds", RmcZdaLog, nullptr, "2019-12-31 23:59:58.500", 2, 3},
                      LogCase{"RmcOnlyWholeSeconds", RmcOnlyLog, nullptr, "2008-02-29 12:00:05.000", 5, 5},
                      LogCase{"ColdStartWithoutFix", ColdStartLog, nullptr, "none", 0, -1},
                      LogCase{"FixFromTheFirstLine", FixedLog, nullptr, "2021-11-05 07:08:09.000", 5, 0},
                      LogCase{"CorpusMtk3301", nullptr, "mtk-3301.log", "2008-08-23 08:14:36.000", 6, 7},
                      LogCase{"CorpusBt451", nullptr, "bt451.log", "2009-12-09 15:25:05.000", 3, -1},
                      LogCase{"CorpusGarmin25lp", nullptr, "garmin25lp.log", "2005-03-15 12:03:26.000", 2, -1},
                      LogCase{"CorpusSkytraq", nullptr, "skytraq.log", "none", 0, -1},
                      LogCase{"CorpusMt3339", nullptr, "mt3339.log", "2015-04-13 20:26:40.000", 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostGpsTest, ReceiverFallsSilentAtTheEndOfTheLog) {
  WriteLog(Sentence("GPRMC,101010.25,A,4221.4394,N,01321.9948,E,0.0,0.0,290224,,,A") + "\r\n" +
           Sentence("GPGGA,101010.25,4221.4394,N,01321.9948,E,1,05,1.0,10.0,M,,M,,") + "\r\n" +
           Sentence("GPRMC,101011.25,A,4221.4394,N,01321.9948,E,0.0,0.0,290224,,,A") + "\r\n" +
           Sentence("GPRMC,101012,V,,,,,,,290224,,,N") + "\r\n");
  HostGps gps(Device(), kernel_);
  auto event = kernel_.CreateEvent();
  const auto handle = gps.OpenDevice(event.get(), nullptr);
  std::vector<std::string> seen;
  std::vector<std::uint32_t> codes;
  while (event->Wait(0)) {
    GpsPosition position;
    position.version = 1;
    position.size = sizeof(GpsPosition);
    position.driverData[0] = 0;
    codes.push_back(gps.GetPosition(handle, position, 10000, 0));
    seen.push_back(position.utc.year ? Format(position.utc) : "none");
    EXPECT_EQ(position.driverData[0], 0);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"2024-02-29 10:10:10.250", "2024-02-29 10:10:11.250", "none"}));
  EXPECT_EQ(codes, (std::vector<std::uint32_t>{0, 0, 0}));
  GpsPosition after;
  after.size = sizeof(GpsPosition);
  after.utc.year = 7;
  EXPECT_EQ(gps.GetPosition(handle, after, 10000, 0), platform::kGpsNotReady);
  EXPECT_EQ(after.utc.year, 0);
  EXPECT_FALSE(event->Wait(0));
}

TEST_F(HostGpsTest, DamagedSentencesAndNoiseAreSkipped) {
  const std::string good = Sentence("GNRMC,120002.5,A,4221.4394,N,01321.9948,E,0.0,0.0,150305,,,A");
  std::string bad = Sentence("GPRMC,120000,A,4221.4394,N,01321.9948,E,0.0,0.0,150305,,,A");
  bad[bad.size() - 1] = bad[bad.size() - 1] == '0' ? '1' : '0';
  WriteLog(bad + "\n" +
           // cut off in the middle, the next one starting on the same line
           "$GPRMC,120001,A,4221.43" + Sentence("GPGSA,A,1,,,,,,,,,,,,,,,") + "\r" +
           std::string("\x00\xff\xfe binary \x01*7F\x80", 17) + "\n" +
           "$GPRMC,120001,A,4221.4394,N,01321.9948,E,0.0,0.0,150305,,,A\n" +  // no checksum
           Sentence("GPRMC,120001,A,4221.4394,N,01321.9948,E,0.0,0.0,150305,,,A").substr(0, 40) + "\r\n" + good +
           "\r\n");
  HostGps gps(Device(), kernel_);
  const auto reads = ReadAll(gps);
  std::vector<std::string> dated;
  for (const auto& t : reads) {
    if (t.year != 0) dated.push_back(Format(t));
  }
  EXPECT_EQ(dated, std::vector<std::string>{"2005-03-15 12:00:02.500"});
}

TEST_F(HostGpsTest, ZdaCountsOnlyOnceAFixWasReported) {
  WriteLog(Sentence("GPZDA,080000.00,01,03,2021,00,00") + "\n" + Sentence("GPGGA,080001.00,,,,,0,00,99.99,,,,,,") +
           "\n" + Sentence("GPZDA,080001.00,01,03,2021,00,00") + "\n" +
           Sentence("GPGGA,080002.00,5547.82,N,02334.14,E,1,04,2.72,37.0,M,26.9,M,,") + "\n" +
           Sentence("GPZDA,080002.125,01,03,2021,00,00") + "\n" + Sentence("GPGGA,080003.00,,,,,0,00,99.99,,,,,,") +
           "\n" + Sentence("GPZDA,080003.00,01,03,2021,00,00") + "\n" + Sentence("GPZDA,080004.00,31,02,2021,00,00") +
           "\n");
  HostGps gps(Device(), kernel_);
  const auto reads = ReadAll(gps);
  std::vector<std::string> seen;
  for (const auto& t : reads) seen.push_back(t.year ? Format(t) : "none");
  // The time stays good after the fix is lost; a date that does not exist never counts.
  EXPECT_EQ(seen,
            (std::vector<std::string>{"none", "none", "2021-03-01 08:00:02.125", "2021-03-01 08:00:03.000", "none"}));
}

TEST_F(HostGpsTest, SecondsWithoutTimeFieldsAreCutWhereASentenceRepeats) {
  std::string second = Sentence("GPRMC,,V,,,,,,,,,,N") + "\n" + Sentence("GPGGA,,,,,,0,00,99.99,,,,,,") + "\n" +
                       Sentence("GPGSV,1,1,00") + "\n" + Sentence("GPZDA,,,,,00,00") + "\n";
  WriteLog(Sentence("GPTXT,01,01,02,ANTSTATUS=OK") + "\n" + second + second + second);
  HostGps gps(Device(), kernel_);
  EXPECT_EQ(ReadAll(gps).size(), 3u);
}

TEST_F(HostGpsTest, WithoutReceiverEveryReadIsAnsweredAtOnceWithoutDate) {
  HostGps gps(Device(), kernel_);
  const auto reads = ReadAll(gps, 5);
  ASSERT_EQ(reads.size(), 5u);
  for (const auto& t : reads) EXPECT_EQ(t.year, 0);
}

TEST_F(HostGpsTest, AFifoForALogIsNoReceiver) {
  const auto file = temp_.path() / "gps.nmea";
  initap::test::MakeFifo(file);
  HostGps gps(Device(), kernel_);
  const auto reads = initap::test::WithoutBlocking(file, [&] { return ReadAll(gps, 5); });
  ASSERT_EQ(reads.size(), 5u);
  for (const auto& t : reads) EXPECT_EQ(t.year, 0);
}

TEST_F(HostGpsTest, DeviceCommandsAreRecordedWithoutEffect) {
  WriteLog(RmcOnlyLog());
  HostGps plain(Device(), kernel_);
  const auto expected = ReadAll(plain);

  HostGps gps(Device(), kernel_);
  EXPECT_EQ(gps.SendDeviceCmd(14), 0u);
  auto event = kernel_.CreateEvent();
  const auto handle = gps.OpenDevice(event.get(), nullptr);
  std::vector<std::string> seen;
  while (event->Wait(0)) {
    GpsPosition position;
    position.version = 1;
    position.size = sizeof(GpsPosition);
    gps.GetPosition(handle, position, 10000, 0);
    seen.push_back(Format(position.utc));
    if (seen.size() == 3) {
      EXPECT_EQ(gps.SendDeviceCmd(13), 0u);
    }
  }
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], Format(expected[i]));
  EXPECT_EQ(gps.SentCommands(), (std::vector<std::uint32_t>{14, 13}));
}

TEST_F(HostGpsTest, BadHandlesAndRecordsAreRefused) {
  WriteLog(FixedLog());
  HostGps gps(Device(), kernel_);
  GpsPosition position;
  position.version = 1;
  position.size = sizeof(GpsPosition);
  EXPECT_EQ(gps.GetPosition(1, position, 10000, 0), platform::kGpsInvalidParameter);
  auto event = kernel_.CreateEvent();
  const auto handle = gps.OpenDevice(event.get(), nullptr);
  EXPECT_EQ(gps.GetPosition(handle + 1, position, 10000, 0), platform::kGpsInvalidParameter);
  position.size = 16;
  EXPECT_EQ(gps.GetPosition(handle, position, 10000, 0), platform::kGpsInvalidParameter);
  position.size = sizeof(GpsPosition);
  EXPECT_EQ(gps.GetPosition(handle, position, 10000, 0), 0u);
  EXPECT_EQ(Format(position.utc), "2021-11-05 07:08:09.000");
}

// A date more than 1024 weeks before the driver's pivot is a receiver's week
// rollover; mode N (NMEA 2.3 on) says the data is not valid, whatever the status.
TEST_F(HostGpsTest, RolledOverDatesAreMovedOnAndDataNotValidIsNoFix) {
  const std::string position = "4221.4394,N,01321.9948,E,0.0,0.0,";
  const struct {
    std::string log;
    const char* fix;
  } cases[] = {
      {Sentence("GPRMC,000231,A," + position + "220899,,,A"), "2019-04-07 00:02:31.000"},
      {Sentence("GPRMC,000231,A," + position + "220899,,"), "2019-04-07 00:02:31.000"},
      {Sentence("GPRMC,120000,A," + position + "160504,,,D"), "2023-12-31 12:00:00.000"},
      {Sentence("GPRMC,120000,A," + position + "170504,,,A"), "2004-05-17 12:00:00.000"},
      {Sentence("GPGGA,000231,4221.4394,N,01321.9948,E,1,05,1.0,10.0,M,,M,,") + "\n" +
           Sentence("GPZDA,000231,22,08,1999,00,00"),
       "2019-04-07 00:02:31.000"},
      {Sentence("GPRMC,120000,A," + position + "070419,,,N"), "none"},
      {Sentence("GPRMC,120000,A," + position + "070419,,,N,V") + "\n" + Sentence("GPZDA,120000,07,04,2019,00,00"),
       "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    WriteLog(c.log + "\r\n");
    HostGps gps(Device(), kernel_);
    const auto reads = ReadAll(gps);
    EXPECT_EQ(FirstFix(reads), c.fix);
    if (!reads.empty() && reads[0].year == 2019) {
      EXPECT_EQ(reads[0].dayOfWeek, 0);
    }
  }
}

// Where the open gps.nmea stands in the host's file table; -1 when it is not open.
long long LogPosition(const std::filesystem::path& log) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) != log) continue;
    std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
    std::string key;
    long long position = -1;
    while (info >> key && key != "pos:") {
    }
    info >> position;
    return position;
  }
  return -1;
}

// Only the reports asked for are read, however long the log.
TEST_F(HostGpsTest, LogIsReadNoFurtherThanTheReportsTaken) {
  std::string log;
  for (int second = 10; second < 15; ++second) {
    log += Sentence("GPRMC,1010" + std::to_string(second) + ",A,4221.4394,N,01321.9948,E,0.0,0.0,290224,,,A") + "\r\n";
  }
  WriteLog(log);
  const auto file = temp_.path() / "gps.nmea";
  std::filesystem::resize_file(file, 64 << 20);  // and a long silence after them
  HostGps gps(Device(), kernel_);
  const auto first = ReadAll(gps, 3);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(Format(first[2]), "2024-02-29 10:10:12.000");
  const long long position = LogPosition(file);
  EXPECT_GE(position, 0);
  EXPECT_LT(position, 1 << 20);
}

}  // namespace
}  // namespace platform::host
