// The registry of a device folder: DEVICE/registry.reg, read once, and
// written back whole (beside, then renamed into place) when a key is created.
#pragma once

#include <memory>
#include <string>

#include "platform/host/device_folder.h"
#include "platform/registry.h"

namespace platform::host {

class HostRegistry final : public Registry {
 public:
  // Reads registry.reg; without one the registry is empty.
  explicit HostRegistry(const DeviceFolder& device);
  ~HostRegistry() override;

  // Null for an empty, over-long or unknown name, and when a new key cannot be written back.
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, std::wstring_view subKey) override;

  // Why registry.reg is not written back, empty when it is. A file with
  // lines this reader does not understand is read, but never overwritten.
  std::string Problem() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace platform::host
