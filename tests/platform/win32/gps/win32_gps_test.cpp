#include "platform/win32/gps/win32_gps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/win32/kernel/win32_kernel.h"
#include "tests/support/host_files.h"
#include "tests/support/nmea_sentence.h"
#include "tests/support/temp_folder.h"

namespace {

using initap::test::NmeaSentence;
using platform::GpsPosition;
using platform::win32::DeviceAt;
using platform::win32::Win32Gps;
using platform::win32::Win32Kernel;

struct Read {
  std::uint32_t code;
  int year, second;
};

// Reads as the system does, a read each time the new-location event comes;
// `prepare` puts what is to be DEVICE\gps.nmea in place.
std::vector<Read> ReadAll(const std::function<void(const std::filesystem::path&)>& prepare, std::size_t limit = 10,
                          const wchar_t* folder = nullptr) {
  initap::test::TempFolder temp;
  prepare(temp.path() / "gps.nmea");
  const auto device = DeviceAt(folder != nullptr ? std::wstring(folder) : temp.path().wstring());
  Win32Kernel kernel(device);
  Win32Gps gps(device, kernel);
  auto event = kernel.CreateEvent();
  auto state = kernel.CreateEvent();
  const auto handle = gps.OpenDevice(event.get(), state.get());
  std::vector<Read> reads;
  while (reads.size() < limit && event->Wait(0)) {
    GpsPosition position;
    position.size = sizeof(GpsPosition);
    const std::uint32_t code = gps.GetPosition(handle, position, 10000, 0);
    reads.push_back({code, position.utc.year, position.utc.second});
  }
  EXPECT_EQ(gps.SendDeviceCmd(3), 0u);
  EXPECT_EQ(gps.SentCommands(), std::vector<std::uint32_t>{3});
  GpsPosition bad;
  EXPECT_EQ(gps.GetPosition(handle + 1, bad, 0, 0), platform::kGpsInvalidParameter);
  return reads;
}

TEST(Win32Gps, ReplaysTheLogReportByReportThenFallsSilent) {
  const auto reads = ReadAll([](const std::filesystem::path& log) {
    initap::test::WriteHostFile(log, NmeaSentence("GPGGA,101958.00,,,,,0,00,99.99,,,,,,") +
                                         NmeaSentence("GPRMC,101959.00,A,4807.038,N,01131.000,E,0.0,0.0,290224,,,A") +
                                         "noise\n" +
                                         NmeaSentence("GPRMC,102000.00,A,4807.038,N,01131.000,E,0.0,0.0,290224,,,A"));
  });
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(reads[0].code, 0u);
  EXPECT_EQ(reads[0].year, 0);
  EXPECT_EQ(reads[1].year, 2024);
  EXPECT_EQ(reads[1].second, 59);
  EXPECT_EQ(reads[2].second, 0);
}

// Without a file on a disk there is no receiver: every read is answered at once without a date.
TEST(Win32Gps, MissingLogOrFolderIsNoReceiver) {
  for (const auto& prepare : std::vector<std::function<void(const std::filesystem::path&)>>{
           [](const std::filesystem::path&) {},
           [](const std::filesystem::path& log) { std::filesystem::create_directories(log); }}) {
    const auto reads = ReadAll(prepare, 3);
    ASSERT_EQ(reads.size(), 3u);
    for (const auto& read : reads) {
      EXPECT_EQ(read.code, platform::kGpsNotReady);
      EXPECT_EQ(read.year, 0);
    }
  }
}

// A pipe for a log, made from the host's side where pipes can be made.
TEST(Win32Gps, AFifoForALogIsNoReceiver) {
  const wchar_t* folder = _wgetenv(L"INITAP_GPS_FIFO_DEVICE");
  if (folder == nullptr) GTEST_SKIP() << "no device folder with a pipe for its log";
  const auto reads = ReadAll([](const std::filesystem::path&) {}, 2, folder);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].code, platform::kGpsNotReady);
}

}  // namespace
