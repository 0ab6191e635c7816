// Kernel service: threads, events, waits, pauses, ticks and clocks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace platform {

// The platform's system-time layout: eight unsigned 16-bit values.
struct SystemTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};

// An unnamed auto-reset event: one successful wait consumes one signal.
class Event {
 public:
  virtual ~Event() = default;
  // Signals the event; a waiter (or the next one) is released once.
  virtual void Set() = 0;
  // Waits up to timeoutMs for the signal; true when it came.
  [[nodiscard]] virtual bool Wait(std::uint32_t timeoutMs) = 0;
};

// A running thread. Dropping the object does not stop or join the thread.
class Thread {
 public:
  virtual ~Thread() = default;
  // Waits up to timeoutMs for the thread to end; true when it has ended.
  [[nodiscard]] virtual bool Wait(std::uint32_t timeoutMs) = 0;
};

class Kernel {
 public:
  virtual ~Kernel() = default;
  // Creates an auto-reset event, not signalled; null when none can be made.
  [[nodiscard]] virtual std::unique_ptr<Event> CreateEvent() = 0;
  // Starts `procedure` on a new thread at once; null when it cannot start.
  [[nodiscard]] virtual std::unique_ptr<Thread> StartThread(std::function<std::uint32_t()> procedure) = 0;
  // Pauses the calling thread.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Milliseconds since an arbitrary start; wraps after about 49.7 days.
  [[nodiscard]] virtual std::uint32_t GetTickCount() = 0;
  // The device's local date and time.
  [[nodiscard]] virtual SystemTime GetLocalTime() = 0;
  // Sets the device clock from a UTC date and time; false when refused.
  [[nodiscard]] virtual bool SetSystemTime(const SystemTime& utc) = 0;
  // Writes one line to the platform's debug output.
  virtual void DebugOutput(std::wstring_view text) = 0;
};

}  // namespace platform
