#include "platform/common/log_receiver.h"

#include <istream>
#include <string>

#include "platform/common/nmea_reports.h"

namespace platform {

struct LogReceiver::Replay {
  explicit Replay(std::unique_ptr<std::streambuf> bytes) : buffer(std::move(bytes)) {}

  std::unique_ptr<std::streambuf> buffer;
  std::istream stream{buffer.get()};
  NmeaReportReader reports{stream};
};

LogReceiver::LogReceiver(std::function<std::unique_ptr<std::streambuf>()> openLog, Kernel& kernel)
    : openLog_(std::move(openLog)), kernel_(kernel) {}

LogReceiver::~LogReceiver() = default;

GpsHandle LogReceiver::OpenDevice(Event* newLocation, Event* /*deviceState*/) {
  std::lock_guard lock(lock_);
  if (!loaded_) {
    loaded_ = true;
    if (std::unique_ptr<std::streambuf> log = openLog_()) {
      replay_ = std::make_unique<Replay>(std::move(log));
      offered_ = replay_->reports.Next();
    }
  }
  newLocation_ = newLocation;
  Offer();
  return ++opened_;
}

void LogReceiver::Offer() {
  if (newLocation_ != nullptr && (!replay_ || offered_)) newLocation_->Set();
}

std::uint32_t LogReceiver::GetPosition(GpsHandle device, GpsPosition& position, std::uint32_t /*maxAgeMs*/,
                                       std::uint32_t /*flags*/) {
  std::lock_guard lock(lock_);
  if (device == 0 || device > opened_ || position.size != sizeof(GpsPosition)) return kGpsInvalidParameter;
  position.utc = SystemTime{};
  if (!replay_) {
    Offer();
    return kGpsNotReady;
  }
  if (!offered_) return kGpsNotReady;
  position.utc = *offered_;
  offered_ = replay_->reports.Next();
  Offer();
  return 0;
}

std::uint32_t LogReceiver::SendDeviceCmd(std::uint32_t command) {
  {
    std::lock_guard lock(lock_);
    commands_.push_back(command);
  }
  kernel_.DebugOutput(L"GPS device command " + std::to_wstring(command));
  return 0;
}

std::vector<std::uint32_t> LogReceiver::SentCommands() const {
  std::lock_guard lock(lock_);
  return commands_;
}

}  // namespace platform
