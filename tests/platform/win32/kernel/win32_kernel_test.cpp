#include "platform/win32/kernel/win32_kernel.h"

#include <gtest/gtest.h>

#include <atomic>

#include "tests/support/device_tree.h"

namespace initap::test {
namespace {

using platform::SystemTime;
using platform::win32::DeviceAt;
using platform::win32::Win32Kernel;

TEST(Win32KernelTest, AnEventReleasesOneWaitPerSignal) {
  DeviceTree device;
  Win32Kernel kernel(DeviceAt(device.Folder().wstring()));
  auto event = kernel.CreateEvent();
  ASSERT_TRUE(event);
  EXPECT_FALSE(event->Wait(0));
  event->Set();
  event->Set();  // still one signal
  EXPECT_TRUE(event->Wait(0));
  EXPECT_FALSE(event->Wait(0));
}

TEST(Win32KernelTest, AThreadRunsAtOnceAndIsCountedUntilItEnds) {
  DeviceTree device;
  Win32Kernel kernel(DeviceAt(device.Folder().wstring()));
  std::atomic<int> ended{0};
  kernel.SetThreadEndListener([&] { ++ended; });
  auto go = kernel.CreateEvent();
  auto thread = kernel.StartThread([&] {
    go->Wait(60'000);
    return 7u;
  });
  ASSERT_TRUE(thread);
  EXPECT_EQ(kernel.LiveThreads(), 1);
  EXPECT_FALSE(thread->Wait(0));
  go->Set();
  ASSERT_TRUE(thread->Wait(60'000));
  EXPECT_EQ(kernel.LiveThreads(), 0);
  EXPECT_EQ(ended.load(), 1);
}

TEST(Win32KernelTest, TheDeviceClockIsAnOffsetFileAndBadDatesAreRefused) {
  DeviceTree device;
  device.WriteDeviceFile("clock", "-86400\n");
  {
    Win32Kernel kernel(DeviceAt(device.Folder().wstring()));
    EXPECT_EQ(kernel.ClockOffset(), -86400);
    for (const SystemTime& bad : {SystemTime{2031, 13, 0, 1, 0, 0, 0, 0}, SystemTime{2031, 2, 0, 30, 0, 0, 0, 0},
                                  SystemTime{2031, 1, 0, 1, 24, 0, 0, 0}}) {
      EXPECT_FALSE(kernel.SetSystemTime(bad)) << bad.month << "/" << bad.day << " " << bad.hour;
    }
    EXPECT_EQ(device.ReadDeviceFile("clock"), "-86400\n");
    ASSERT_TRUE(kernel.SetSystemTime(SystemTime{2031, 3, 0, 4, 12, 0, 0, 0}));
  }
  // A new boot continues the clock it was set to.
  Win32Kernel kernel(DeviceAt(device.Folder().wstring()));
  EXPECT_GT(kernel.ClockOffset(), 0);
  EXPECT_EQ(device.ReadDeviceFile("clock"), std::to_string(kernel.ClockOffset()) + "\n");
  const SystemTime local = kernel.GetLocalTime();
  EXPECT_EQ(local.year, 2031);
  EXPECT_EQ(local.month, 3);
  EXPECT_NEAR(local.day, 4, 1);  // whatever the zone
  EXPECT_FALSE(device.DeviceFileExists("clock.new"));
}

TEST(Win32KernelTest, DebugOutputAppendsOneUtf8LinePerMessage) {
  DeviceTree device;
  Win32Kernel kernel(DeviceAt(device.Folder().wstring()));
  kernel.DebugOutput(L"first\r\n");
  kernel.DebugOutput(L"gr\u00fc\u00df");
  EXPECT_EQ(device.ReadDeviceFile("debug.log"), "first\ngr\xc3\xbc\xc3\x9f\n");
}

}  // namespace
}  // namespace initap::test
