// The GPS receiver of a device folder on the Windows API: DEVICE\gps.nmea
// replayed report by report at the pace of the reads, read no further than
// the report offered; without the file, or when it is no file on a disk (a
// folder, a pipe, a device), a device without receiver.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/gps.h"
#include "platform/kernel.h"
#include "platform/win32/device_folder.h"

namespace platform::win32 {

// Driver codes: a read with nothing to give, and a call with a bad handle or record.
inline constexpr std::uint32_t kGpsNotReady = 21;
inline constexpr std::uint32_t kGpsInvalidParameter = 87;

class Win32Gps final : public Gps {
 public:
  Win32Gps(const DeviceFolder& device, Kernel& kernel);
  ~Win32Gps() override;

  // Opens gps.nmea at the first open. The new-location event then offers the
  // first report; without a receiver it is signalled for every read instead.
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

  DeviceFolder device_;
  Kernel& kernel_;
  mutable std::mutex lock_;
  GpsHandle opened_ = 0;            // handles 1..opened_ were given out
  std::unique_ptr<Replay> replay_;  // none: no receiver
  bool loaded_ = false;
  std::optional<SystemTime> offered_;  // none: the receiver fell silent
  Event* newLocation_ = nullptr;
  std::vector<std::uint32_t> commands_;
};

}  // namespace platform::win32
