// The registry in memory: a tree of keys with their values, names matched
// without regard to letter case.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::host {

// Value types, numbered as the device numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

struct RegistryValue {
  std::wstring name;  // empty: the key's default value
  std::uint32_t type = 0;
  std::string data;  // as the registry stores it: texts in UTF-16LE with their terminator
  // A value the file gave in hex: its bytes there, written back as they were
  // (a REGEDIT4 file's texts are in the device's code page, not in `data`'s form).
  std::optional<std::string> hexBytes = std::nullopt;
};

// True when two key or value names are the same name.
bool SameRegistryName(std::wstring_view a, std::wstring_view b);

class RegistryNode {
 public:
  explicit RegistryNode(std::wstring name) : name_(std::move(name)) {}

  const std::wstring& Name() const { return name_; }
  const std::vector<std::unique_ptr<RegistryNode>>& Children() const { return children_; }
  const std::vector<RegistryValue>& Values() const { return values_; }

  // The child key of that name; null when there is none.
  RegistryNode* FindChild(std::wstring_view name) const;
  // The child key of that name, added with this spelling when there is none.
  RegistryNode& AddChild(std::wstring_view name);
  // Removes the child key and everything below it; false when there was none.
  bool RemoveChild(std::wstring_view name);

  const RegistryValue* FindValue(std::wstring_view name) const;
  // Sets a value, replacing one of the same name in its place.
  void SetValue(RegistryValue value);
  bool RemoveValue(std::wstring_view name);

 private:
  std::wstring name_;
  std::vector<std::unique_ptr<RegistryNode>> children_;
  std::vector<RegistryValue> values_;
};

}  // namespace platform::host
