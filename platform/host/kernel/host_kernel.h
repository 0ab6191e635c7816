// The kernel of a device folder: host threads and clocks, the device clock
// kept as an offset in DEVICE/clock, debug output into DEVICE/debug.log.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/host/device_folder.h"
#include "platform/kernel.h"

namespace platform::host {

class HostKernel final : public Kernel {
 public:
  // Reads the clock offset and applies the device's time zone (device.ini).
  explicit HostKernel(const DeviceFolder& device);

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
  // Device clock minus host clock, in seconds.
  std::int64_t ClockOffset() const { return clockOffset_.load(); }
  // The device clock's UTC time now, to the second.
  SystemTime UtcNow() const;

 private:
  DeviceFolder device_;
  std::atomic<std::int64_t> clockOffset_{0};
  std::atomic<int> liveThreads_{0};
  std::function<void()> threadEnded_;
  std::mutex debugLock_;
};

}  // namespace platform::host
