// Registry service: keys below the root keys, and their string values.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

// An open key; closed when destroyed.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Reads a string value; false when absent, not a string, or longer than capacityBytes allow.
  [[nodiscard]] virtual bool QueryString(std::wstring_view name, std::wstring& value, std::size_t capacityBytes) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens a key, creating it (and keeping it) when absent; null on failure.
  [[nodiscard]] virtual std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, std::wstring_view subKey) = 0;
};

}  // namespace platform
