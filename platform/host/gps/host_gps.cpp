#include "platform/host/gps/host_gps.h"

#include <fcntl.h>

#include <istream>
#include <string>

#include "platform/common/nmea_reports.h"
#include "platform/host/regular_file.h"

namespace platform::host {

struct HostGps::Replay {
  explicit Replay(UniqueFd file) : buffer(std::move(file)) {}

  FdReadBuffer buffer;
  std::istream stream{&buffer};
  NmeaReportReader reports{stream};
};

HostGps::HostGps(const DeviceFolder& device, Kernel& kernel) : device_(device), kernel_(kernel) {}

HostGps::~HostGps() = default;

GpsHandle HostGps::OpenDevice(Event* newLocation, Event* /*deviceState*/) {
  std::lock_guard lock(lock_);
  if (!loaded_) {
    loaded_ = true;
    if (UniqueFd log = OpenRegularFile(device_.File("gps.nmea"), O_RDONLY)) {
      replay_ = std::make_unique<Replay>(std::move(log));
      offered_ = replay_->reports.Next();
    }
  }
  newLocation_ = newLocation;
  Offer();
  return ++opened_;
}

void HostGps::Offer() {
  if (newLocation_ != nullptr && (!replay_ || offered_)) newLocation_->Set();
}

std::uint32_t HostGps::GetPosition(GpsHandle device, GpsPosition& position, std::uint32_t /*maxAgeMs*/,
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

std::uint32_t HostGps::SendDeviceCmd(std::uint32_t command) {
  {
    std::lock_guard lock(lock_);
    commands_.push_back(command);
  }
  kernel_.DebugOutput(L"GPS device command " + std::to_wstring(command));
  return 0;
}

std::vector<std::uint32_t> HostGps::SentCommands() const {
  std::lock_guard lock(lock_);
  return commands_;
}

}  // namespace platform::host
