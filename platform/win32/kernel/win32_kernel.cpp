#include "platform/win32/kernel/win32_kernel.h"

#include "platform/win32/windows_api.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

// FILETIME counts 100 ns steps.
constexpr std::int64_t kTicksPerSecond = 10'000'000;

class Win32Event final : public Event {
 public:
  explicit Win32Event(UniqueHandle event) : event_(std::move(event)) {}
  void Set() override { SetEvent(event_.Get()); }
  bool Wait(std::uint32_t timeoutMs) override { return WaitForSingleObject(event_.Get(), timeoutMs) == WAIT_OBJECT_0; }

 private:
  UniqueHandle event_;
};

// Closing the handle neither stops nor joins the thread.
class Win32Thread final : public Thread {
 public:
  explicit Win32Thread(UniqueHandle thread) : thread_(std::move(thread)) {}
  bool Wait(std::uint32_t timeoutMs) override { return WaitForSingleObject(thread_.Get(), timeoutMs) == WAIT_OBJECT_0; }

 private:
  UniqueHandle thread_;
};

std::int64_t ReadOffset(const std::wstring& file) {
  std::ifstream in{std::filesystem::path(file)};
  long long seconds = 0;
  if (in >> seconds) return seconds;
  return 0;
}

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME FileTime(std::int64_t ticks) {
  const auto bits = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(bits), static_cast<DWORD>(bits >> 32)};
}

std::int64_t Now() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return Ticks(now);
}

}  // namespace

struct Win32Kernel::Start {
  Win32Kernel* kernel;
  std::function<std::uint32_t()> procedure;
};

Win32Kernel::Win32Kernel(const DeviceFolder& device) : device_(device) {
  clockOffset_ = ReadOffset(device_.File(L"clock"));
}

std::unique_ptr<Event> Win32Kernel::CreateEvent() {
  UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!event) return nullptr;
  return std::make_unique<Win32Event>(std::move(event));
}

unsigned long __stdcall Win32Kernel::RunThread(void* start) {
  const std::unique_ptr<Start> owned(static_cast<Start*>(start));
  const std::uint32_t code = owned->procedure();
  // Counted as ended before anyone who waits for it is released.
  --owned->kernel->liveThreads_;
  if (owned->kernel->threadEnded_) owned->kernel->threadEnded_();
  return code;
}

std::unique_ptr<Thread> Win32Kernel::StartThread(std::function<std::uint32_t()> procedure) {
  auto start = std::make_unique<Start>(Start{this, std::move(procedure)});
  ++liveThreads_;
  UniqueHandle thread(CreateThread(nullptr, 0, &RunThread, start.get(), 0, nullptr));
  if (!thread) {
    --liveThreads_;
    return nullptr;
  }
  start.release();  // the thread owns it now
  return std::make_unique<Win32Thread>(std::move(thread));
}

void Win32Kernel::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t Win32Kernel::GetTickCount() { return ::GetTickCount(); }

SystemTime Win32Kernel::GetLocalTime() {
  const FILETIME device = FileTime(Now() + clockOffset_.load() * kTicksPerSecond);
  SYSTEMTIME utc{}, local{};
  FileTimeToSystemTime(&device, &utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  return SystemTime{local.wYear, local.wMonth,  local.wDayOfWeek, local.wDay,
                    local.wHour, local.wMinute, local.wSecond,    local.wMilliseconds};
}

bool Win32Kernel::SetSystemTime(const SystemTime& utc) {
  if (utc.month < 1 || utc.month > 12 || utc.day < 1 || utc.day > 31 || utc.hour > 23 || utc.minute > 59 ||
      utc.second > 60) {
    return false;
  }
  // A leap second counts as the last second of its minute.
  const SYSTEMTIME wanted{
      utc.year, utc.month, 0, utc.day, utc.hour, utc.minute, static_cast<WORD>(utc.second == 60 ? 59 : utc.second), 0};
  FILETIME time{};
  if (!SystemTimeToFileTime(&wanted, &time)) return false;
  // Whole seconds of both clocks: the device clock reads the time set, or a
  // fraction of a second more, never less.
  const std::int64_t offset = Ticks(time) / kTicksPerSecond - Now() / kTicksPerSecond;

  // Written beside and renamed, so a cut leaves the old offset or the new one.
  const std::wstring file = device_.File(L"clock");
  const std::wstring temporary = file + L".new";
  {
    std::ofstream out(std::filesystem::path(temporary), std::ios::binary | std::ios::trunc);
    if (!(out << offset << '\n')) return false;
  }
  if (!MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
  clockOffset_ = offset;
  return true;
}

void Win32Kernel::DebugOutput(std::wstring_view text) {
  std::string line = ToUtf8(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  line += '\n';
  std::lock_guard lock(debugLock_);
  UniqueHandle log(CreateFileW(device_.File(L"debug.log").c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return;
  DWORD written = 0;
  WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace platform::win32
