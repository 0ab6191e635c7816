#include "platform/host/gps/host_gps.h"

#include <fstream>
#include <sstream>
#include <string>

#include "platform/host/gps/nmea_reports.h"

namespace platform::host {

HostGps::HostGps(const DeviceFolder& device, Kernel& kernel) : device_(device), kernel_(kernel) {}

GpsHandle HostGps::OpenDevice(Event* newLocation, Event* /*deviceState*/) {
  std::lock_guard lock(lock_);
  if (!loaded_) {
    loaded_ = true;
    std::ifstream in(device_.File("gps.nmea"), std::ios::binary);
    if (in) {
      std::ostringstream log;
      log << in.rdbuf();
      reports_ = ReadNmeaReports(log.str());
    }
  }
  newLocation_ = newLocation;
  Offer();
  return ++opened_;
}

void HostGps::Offer() {
  if (newLocation_ != nullptr && (!reports_ || next_ < reports_->size())) newLocation_->Set();
}

std::uint32_t HostGps::GetPosition(GpsHandle device, GpsPosition& position, std::uint32_t /*maxAgeMs*/,
                                   std::uint32_t /*flags*/) {
  std::lock_guard lock(lock_);
  if (device == 0 || device > opened_ || position.size != sizeof(GpsPosition)) return kGpsInvalidParameter;
  position.utc = SystemTime{};
  if (!reports_) {
    Offer();
    return kGpsNotReady;
  }
  if (next_ >= reports_->size()) return kGpsNotReady;
  position.utc = (*reports_)[next_++];
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
