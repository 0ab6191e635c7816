#include "platform/common/wide_units.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A character beyond the basic plane as the device holds it: two units.
const std::wstring kPair(L"\xD840\xDC00");

TEST(WideUnitsTest, CharactersBeyondTheBasicPlaneTakeTwoUnits) {
  EXPECT_EQ(platform::WideUnits(L""), 0u);
  EXPECT_EQ(platform::WideUnits(L"\\System\\Main_Ap.exe"), 19u);
  EXPECT_EQ(platform::WideUnits(L"\u00e9\u4e2d\uffff"), 3u);
  EXPECT_EQ(platform::WideUnits(L"\\\U00020000.exe"), 7u);
  EXPECT_EQ(platform::WideUnits(kPair), 2u);
}

TEST(WideUnitsTest, APrefixNeverEndsInHalfAPair) {
  struct Case {
    std::wstring text;
    std::size_t units;
    std::wstring prefix;
  };
  for (const Case& c :
       {Case{L"abc", 2, L"ab"}, Case{L"abc", 5, L"abc"}, Case{L"a\U00020000b", 1, L"a"}, Case{L"a\U00020000b", 2, L"a"},
        Case{L"a\U00020000b", 3, L"a\U00020000"}, Case{L"a" + kPair + L"b", 2, L"a"},
        Case{L"a" + kPair + L"b", 3, L"a" + kPair}, Case{L"\U00020000", 0, L""}}) {
    EXPECT_EQ(platform::WideUnitsPrefix(c.text, c.units), c.prefix) << c.units;
  }
}

}  // namespace
