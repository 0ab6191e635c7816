// GPS service: the receiver driver's open, position read and device commands.
#pragma once

#include <cstdint>

#include "platform/kernel.h"

namespace platform {

// The 584-byte position record exchanged with the driver.
struct GpsPosition {
  std::uint32_t version = 0;
  std::uint32_t size = 0;
  std::uint8_t driverReserved[8] = {};
  SystemTime utc;  // year 0: the driver has no UTC time
  std::uint8_t driverData[552] = {};
};
static_assert(sizeof(GpsPosition) == 584);

using GpsHandle = std::uintptr_t;  // 0: not opened

class Gps {
 public:
  virtual ~Gps() = default;
  // Opens the receiver; the driver signals `newLocation` whenever it has new
  // data. The events must outlive the handle, which is never closed.
  [[nodiscard]] virtual GpsHandle OpenDevice(Event* newLocation, Event* deviceState) = 0;
  // Fills `position` from the newest data no older than maxAgeMs; returns the driver's code.
  [[nodiscard]] virtual std::uint32_t GetPosition(GpsHandle device, GpsPosition& position, std::uint32_t maxAgeMs,
                                                  std::uint32_t flags) = 0;
  // Sends a device command to the receiver; returns the driver's code.
  [[nodiscard]] virtual std::uint32_t SendDeviceCmd(std::uint32_t command) = 0;
};

}  // namespace platform
