// The registry on the Windows API: the keys of Windows' own registry (Wine's
// prefix), into which the device's registry.reg is loaded before a boot.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry final : public Registry {
 public:
  // Null for an over-long or malformed name, or when Windows refuses the key.
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, std::wstring_view subKey) override;

  // Every key made or opened so far, named as a registry file names it
  // ("HKEY_CLASSES_ROOT\\CLSID"), once each: the keys a boot may have added,
  // which go back into the device's registry.reg.
  std::vector<std::wstring> KeysUsed() const;

 private:
  mutable std::mutex lock_;
  std::vector<std::wstring> used_;
};

}  // namespace platform::win32
