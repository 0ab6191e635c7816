#include "platform/win32/registry/win32_registry.h"

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/common/free_with.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

// The device's limit of a key name, in characters.
constexpr std::size_t kMaxKeyName = 255;

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}

  bool QueryString(std::wstring_view name, std::wstring& value, std::size_t capacityBytes) override {
    const std::wstring valueName(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS) {
      return false;
    }
    data.resize(std::min(data.find(L'\0'), std::size_t{size / sizeof(wchar_t)}));
    // Two bytes a character on the device, and the terminator.
    if ((data.size() + 1) * 2 > capacityBytes) return false;
    value = std::move(data);
    return true;
  }

 private:
  std::unique_ptr<std::remove_pointer_t<HKEY>, FreeWith<RegCloseKey>> key_;
};

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
  }
  return nullptr;
}

const wchar_t* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return L"HKEY_CLASSES_ROOT";
    case RegistryRoot::CurrentUser: return L"HKEY_CURRENT_USER";
    case RegistryRoot::LocalMachine: return L"HKEY_LOCAL_MACHINE";
    case RegistryRoot::Users: return L"HKEY_USERS";
  }
  return L"";
}

bool WellFormed(std::wstring_view subKey) {
  if (subKey.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(subKey.find(L'\\', start), subKey.size());
    if (end == start || end - start > kMaxKeyName) return false;
    if (end == subKey.size()) return true;
    start = end + 1;
  }
}

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, std::wstring_view subKey) {
  const HKEY base = RootKey(root);
  if (base == nullptr || !WellFormed(subKey)) return nullptr;
  HKEY key = nullptr;
  const std::wstring name(subKey);
  if (RegCreateKeyExW(base, name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  std::wstring full = RootName(root);
  if (!name.empty()) full += L"\\" + name;
  {
    std::lock_guard hold(lock_);
    if (std::find(used_.begin(), used_.end(), full) == used_.end()) used_.push_back(std::move(full));
  }
  return std::make_unique<Win32RegistryKey>(key);
}

std::vector<std::wstring> Win32Registry::KeysUsed() const {
  std::lock_guard hold(lock_);
  return used_;
}

}  // namespace platform::win32
