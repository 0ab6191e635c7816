#include "platform/win32/registry/win32_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/desktop_values.h"

namespace initap::test {
namespace {

using platform::RegistryRoot;
using platform::win32::Win32Registry;

// The values were put into the prefix's registry by the test run (reg add),
// as a boot loads registry.reg.
TEST(Win32RegistryTest, DesktopNameIsReadWithoutRegardToCaseWithinItsRoom) {
  if (std::getenv("INITAP_REGISTRY_VALUES") == nullptr) GTEST_SKIP() << "run through ctest, which sets the values";
  Win32Registry registry;
  ExpectDesktopValuesRead(registry);
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
