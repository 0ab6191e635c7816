#include "platform/win32/codepage/win32_codepage.h"

#include <gtest/gtest.h>

#include "tests/support/device_tree.h"

namespace initap::test {
namespace {

using platform::win32::DeviceAt;
using platform::win32::Win32CodePage;

std::unique_ptr<Win32CodePage> Open(const std::string& settings, std::string* error = nullptr) {
  DeviceTree device("[device]\n" + settings + "\n");
  std::string message;
  auto page = Win32CodePage::Open(DeviceAt(device.Folder().wstring()), message);
  if (error != nullptr) *error = message;
  return page;
}

// The same texts as the host's code page gives, byte for byte.
TEST(Win32CodePageTest, TextConvertsAsOnTheHostWithoutBestFit) {
  struct Case {
    const char* settings;
    std::wstring wide;
    std::string ansi;
    bool roundTrip;
  };
  const Case cases[] = {
      {"", L"Caf\u00e9 \u20ac5",
       "Caf\xe9 \x80"
       "5",
       true},
      {"", L"\u00e4\u0101\u684cb", "\xe4??b", false},  // no "a" for the a with a bar
      {"", std::wstring(L"a\0b", 3), std::string("a\0b", 3), true},
      {"codepage = 936", L"\\Windows\\\u684c\u9762", "\\Windows\\\xd7\xc0\xc3\xe6", true},
      {"codepage=1251", L"\u0420\u0430\u0431\u043e\u0447\u0438\u0439", "\xd0\xe0\xe1\xee\xf7\xe8\xe9", true},
      {"codepage=1251", L"\u00e9", "?", false},
  };
  for (const Case& c : cases) {
    auto page = Open(c.settings);
    ASSERT_TRUE(page) << c.settings;
    EXPECT_EQ(page->ToAnsi(c.wide), c.ansi) << c.settings;
    if (c.roundTrip) {
      EXPECT_EQ(page->FromAnsi(c.ansi), c.wide) << c.settings;
    }
  }
  EXPECT_EQ(Open("")->Number(), 1252u);
}

TEST(Win32CodePageTest, ACodePageWindowsDoesNotKnowIsRefused) {
  std::string error;
  EXPECT_FALSE(Open("codepage = 4711", &error));
  EXPECT_EQ(error, "device.ini: codepage 4711 is not a code page Windows knows");
  EXPECT_FALSE(Open("codepage = latin", &error));
  EXPECT_EQ(error, "device.ini: codepage \"latin\" is not a code page number");
}

}  // namespace
}  // namespace initap::test
