// The kernel on the Windows API: its threads, events and clocks. The device
// clock is kept as an offset in DEVICE\clock, as on the host: the system's
// clock of the machine is never set.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/kernel.h"
#include "platform/win32/device_folder.h"

namespace platform::win32 {

class Win32Kernel final : public Kernel {
 public:
  // Reads the clock offset. Local time is that of the zone Windows runs in,
  // which Wine takes from the device's time zone when it starts.
  explicit Win32Kernel(const DeviceFolder& device);

  std::unique_ptr<Event> CreateEvent() override;
  std::unique_ptr<Thread> StartThread(std::function<std::uint32_t()> procedure) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t GetTickCount() override;
  SystemTime GetLocalTime() override;
  bool SetSystemTime(const SystemTime& utc) override;
  void DebugOutput(std::wstring_view text) override;

  // Threads started through StartThread that have not ended yet.
  int LiveThreads() const { return liveThreads_.load(); }
  // Called on the ending thread, after it counts as ended; set before any thread starts.
  void SetThreadEndListener(std::function<void()> listener) { threadEnded_ = std::move(listener); }
  // Device clock minus the machine's clock, in seconds.
  std::int64_t ClockOffset() const { return clockOffset_.load(); }

 private:
  struct Start;
  static unsigned long __stdcall RunThread(void* start);

  DeviceFolder device_;
  std::atomic<std::int64_t> clockOffset_{0};
  std::atomic<int> liveThreads_{0};
  std::function<void()> threadEnded_;
  std::mutex debugLock_;
};

}  // namespace platform::win32
