#include "platform/win32/registry/win32_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace initap::test {
namespace {

using platform::RegistryRoot;
using platform::win32::Win32Registry;

// The values were put into the prefix's registry by the test run (reg add),
// as a boot loads registry.reg.
TEST(Win32RegistryTest, DesktopNameIsReadWithoutRegardToCaseWithinItsRoom) {
  if (std::getenv("INITAP_REGISTRY_VALUES") == nullptr) GTEST_SKIP() << "run through ctest, which sets the values";
  Win32Registry registry;
  auto key = registry.CreateKey(RegistryRoot::ClassesRoot, L"clsid\\{00021400-0000-0000-c000-000000000046}");
  ASSERT_TRUE(key);
  std::wstring name = L"kept";
  // Seven characters and the terminator, two bytes each.
  EXPECT_FALSE(key->QueryString(L"displayname", name, 15));
  EXPECT_TRUE(key->QueryString(L"displayname", name, 16));
  EXPECT_EQ(name, L"Desktop");
  EXPECT_TRUE(key->QueryString(L"Expand", name, 520));
  EXPECT_EQ(name, L"%A%");
  EXPECT_FALSE(key->QueryString(L"Size", name, 520));
  EXPECT_FALSE(key->QueryString(L"Missing", name, 520));
  EXPECT_EQ(name, L"%A%");
}

TEST(Win32RegistryTest, MalformedKeyNamesAreRefusedAndNewKeysKept) {
  Win32Registry registry;
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::CurrentUser, L"a\\\\b"));
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::CurrentUser, L"\\a"));
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::CurrentUser, L"Software\\" + std::wstring(256, L'k')));
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::CurrentUser, L"Software\\" + std::wstring(255, L'k')));
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::CurrentUser, L""));
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::ClassesRoot, L"CLSID\\{5E0A8C51-0000-4000-8000-00000000CAFE}"));
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::CurrentUser, L""));
  // Each key the boot used once, refused ones not at all, named as registry.reg names them.
  EXPECT_EQ(registry.KeysUsed(),
            (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\" + std::wstring(255, L'k'), L"HKEY_CURRENT_USER",
                                       L"HKEY_CLASSES_ROOT\\CLSID\\{5E0A8C51-0000-4000-8000-00000000CAFE}"}));
}

}  // namespace
}  // namespace initap::test
