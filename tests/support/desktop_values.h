// The values of the desktop's key as a boot's registry holds them, read the
// way the shortcut list reads them, on any backend's registry.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace initap::test {

// Reads the desktop's key, named in another case than the registry's, that holds "DisplayName" = "Desktop",
// "Size" as a number and "Expand" = "%A%": names match without regard to case, a text must fit the room it
// is given, and a refused read leaves the value as it was.
inline void ExpectDesktopValuesRead(platform::Registry& registry) {
  auto key = registry.CreateKey(platform::RegistryRoot::ClassesRoot, L"clsid\\{00021400-0000-0000-c000-000000000046}");
  ASSERT_TRUE(key);
  std::wstring name = L"kept";
  // Seven characters and the terminator, two bytes each.
  EXPECT_FALSE(key->QueryString(L"displayname", name, 15));
  EXPECT_EQ(name, L"kept");
  EXPECT_TRUE(key->QueryString(L"displayname", name, 16));
  EXPECT_EQ(name, L"Desktop");
  EXPECT_TRUE(key->QueryString(L"Expand", name, 520));
  EXPECT_EQ(name, L"%A%");
  EXPECT_FALSE(key->QueryString(L"Size", name, 520));
  EXPECT_FALSE(key->QueryString(L"Missing", name, 520));
  EXPECT_EQ(name, L"%A%");
}

}  // namespace initap::test
