// The registry on the Windows API: the keys of Windows' own registry (Wine's
// prefix), into which the device's registry.reg is loaded before a boot.
#pragma once

#include <memory>
#include <string_view>

#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry final : public Registry {
 public:
  // Null for an over-long or malformed name, or when Windows refuses the key.
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, std::wstring_view subKey) override;
};

}  // namespace platform::win32
