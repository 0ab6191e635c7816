// A GPS receiver that replays a log of NMEA sentences report by report at the
// pace of the reads, read no further than the report offered. Each backend
// gives it the log's bytes; without a log the device has no receiver.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <streambuf>
#include <vector>

#include "platform/gps.h"
#include "platform/kernel.h"

namespace platform {

// Driver codes: a read with nothing to give, and a call with a bad handle or record.
inline constexpr std::uint32_t kGpsNotReady = 21;
inline constexpr std::uint32_t kGpsInvalidParameter = 87;

class LogReceiver : public Gps {
 public:
  // `openLog` gives the log's bytes, or null when there is no receiver; it is
  // called once, at the first open.
  LogReceiver(std::function<std::unique_ptr<std::streambuf>()> openLog, Kernel& kernel);
  ~LogReceiver() override;

  // The new-location event then offers the first report; without a receiver
  // it is signalled for every read instead.
  GpsHandle OpenDevice(Event* newLocation, Event* deviceState) override;
  // Takes the offered report and offers the next; after the last report the
  // receiver falls silent. Only `utc` is filled; year 0 without a valid fix.
  std::uint32_t GetPosition(GpsHandle device, GpsPosition& position, std::uint32_t maxAgeMs,
                            std::uint32_t flags) override;
  // Accepted and recorded, also in the debug output; the replay goes on unchanged.
  std::uint32_t SendDeviceCmd(std::uint32_t command) override;

  // The device commands received so far, in order.
  std::vector<std::uint32_t> SentCommands() const;

 private:
  struct Replay;

  void Offer();

  std::function<std::unique_ptr<std::streambuf>()> openLog_;
  Kernel& kernel_;
  mutable std::mutex lock_;
  GpsHandle opened_ = 0;            // handles 1..opened_ were given out
  std::unique_ptr<Replay> replay_;  // none: no receiver
  bool loaded_ = false;
  std::optional<SystemTime> offered_;  // none: the receiver fell silent
  Event* newLocation_ = nullptr;
  std::vector<std::uint32_t> commands_;
};

}  // namespace platform
