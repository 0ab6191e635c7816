#include "platform/host/kernel/host_kernel.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <thread>

#include "platform/host/regular_file.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

SystemTime FromTm(const std::tm& time) {
  SystemTime t;
  t.year = static_cast<std::uint16_t>(time.tm_year + 1900);
  t.month = static_cast<std::uint16_t>(time.tm_mon + 1);
  t.dayOfWeek = static_cast<std::uint16_t>(time.tm_wday);
  t.day = static_cast<std::uint16_t>(time.tm_mday);
  t.hour = static_cast<std::uint16_t>(time.tm_hour);
  t.minute = static_cast<std::uint16_t>(time.tm_min);
  t.second = static_cast<std::uint16_t>(time.tm_sec);
  return t;
}

SystemTime UtcTime(std::time_t seconds) {
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return FromTm(utc);
}

// Written beside and renamed, so a cut leaves the old offset or the new one.
bool WriteOffset(const std::filesystem::path& file, std::int64_t offset) {
  auto temporary = file;
  temporary += ".new";
  {
    const UniqueFd out = OpenRegularFile(temporary, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string text = std::to_string(offset) + "\n";
    if (!out || write(out.Get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  return !error;
}

class HostEvent final : public Event {
 public:
  void Set() override {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    cv_.notify_one();
  }
  bool Wait(std::uint32_t timeoutMs) override {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
};

// The thread runs detached: nothing joins the worker, and it ends with the process.
struct ThreadState {
  std::mutex mutex;
  std::condition_variable cv;
  bool ended = false;
};

class HostThread final : public Thread {
 public:
  explicit HostThread(std::shared_ptr<ThreadState> state) : state_(std::move(state)) {}
  bool Wait(std::uint32_t timeoutMs) override {
    std::unique_lock lock(state_->mutex);
    return state_->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return state_->ended; });
  }

 private:
  std::shared_ptr<ThreadState> state_;
};

std::int64_t ReadOffset(const std::filesystem::path& file) {
  std::istringstream in(ReadRegularFile(file).value_or(""));
  long long seconds = 0;
  if (in >> seconds) return seconds;
  return 0;
}

}  // namespace

HostKernel::HostKernel(const DeviceFolder& device) : device_(device) {
  clockOffset_ = ReadOffset(device_.File("clock"));
  if (auto zone = ReadDeviceSetting(device_, "timezone"); zone && !zone->empty()) {
    setenv("TZ", zone->c_str(), 1);
  }
  tzset();
}

std::unique_ptr<Event> HostKernel::CreateEvent() { return std::make_unique<HostEvent>(); }

std::unique_ptr<Thread> HostKernel::StartThread(std::function<std::uint32_t()> procedure) {
  auto state = std::make_shared<ThreadState>();
  ++liveThreads_;
  try {
    std::thread([this, state, procedure = std::move(procedure)] {
      procedure();
      // Counted as ended before anyone who waits for it is released.
      --liveThreads_;
      if (threadEnded_) threadEnded_();
      {
        std::lock_guard lock(state->mutex);
        state->ended = true;
      }
      state->cv.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    --liveThreads_;
    return nullptr;
  }
  return std::make_unique<HostThread>(state);
}

void HostKernel::Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t HostKernel::GetTickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

SystemTime HostKernel::GetLocalTime() {
  const auto now = std::chrono::system_clock::now() + std::chrono::seconds(clockOffset_.load());
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  SystemTime t = FromTm(local);
  t.milliseconds = static_cast<std::uint16_t>(ms % 1000);
  return t;
}

bool HostKernel::SetSystemTime(const SystemTime& utc) {
  if (utc.month < 1 || utc.month > 12 || utc.day < 1 || utc.day > 31 || utc.hour > 23 || utc.minute > 59 ||
      utc.second > 60) {
    return false;
  }
  std::tm tm{};
  tm.tm_year = utc.year - 1900;
  tm.tm_mon = utc.month - 1;
  tm.tm_mday = utc.day;
  tm.tm_hour = utc.hour;
  tm.tm_min = utc.minute;
  tm.tm_sec = utc.second;
  const std::time_t wanted = timegm(&tm);
  const std::time_t host = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  const std::int64_t offset = static_cast<std::int64_t>(wanted) - static_cast<std::int64_t>(host);
  if (!device_.dryRun && !WriteOffset(device_.File("clock"), offset)) return false;
  clockOffset_ = offset;
  return true;
}

SystemTime HostKernel::UtcNow() const {
  const std::time_t host = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  return UtcTime(host + static_cast<std::time_t>(clockOffset_.load()));
}

void HostKernel::DebugOutput(std::wstring_view text) {
  // A dry run leaves debug.log as it was.
  if (device_.dryRun) return;
  std::string line = ToUtf8(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  line += '\n';
  std::lock_guard lock(debugLock_);
  const UniqueFd log = OpenRegularFile(device_.File("debug.log"), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (!log) return;
  [[maybe_unused]] const auto written = write(log.Get(), line.data(), line.size());
}

}  // namespace platform::host
