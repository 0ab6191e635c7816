#include "platform/common/name_case.h"

#include <gtest/gtest.h>

namespace {

TEST(NameCaseTest, NamesAreAlikeExactlyWhenTheDevicesFileSystemsHoldThemAlike) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool same;
  };
  for (const Case& c : {
           Case{L"FlashHd\\README.Txt", L"flashhd\\readme.txt", true},
           Case{L"\u00c9T\u00c9 \u00ff", L"\u00e9t\u00e9 \u0178", true},  // Latin-1
           Case{L"\u0100\u01c4\u01c5", L"\u0101\u01c6\u01c6", true},      // Latin-A, digraphs
           Case{L"\u03a7\u0386\u03a1\u03a4\u0395\u03a3", L"\u03c7\u03ac\u03c1\u03c4\u03b5\u03c2", true},  // Greek
           Case{L"\u03c3", L"\u03c2", true},                                                              // both sigmas
           Case{L"\u041a\u0430\u0440\u0442\u044b \u0401", L"\u043a\u0410\u0420\u0422\u042b \u0451", true},  // Cyrillic
           Case{L"Gr\u00f6\u00dfe", L"GR\u00d6SSE", false},       // sharp s is no SS
           Case{L"Stra\u00dfe", L"STRA\u1e9eE", false},           // nor the capital sharp s
           Case{L"\u0131", L"I", false},                          // dotless i
           Case{L"\u0130", L"i", false},                          // dotted capital I
           Case{L"i", L"I", true}, Case{L"\u017f", L"S", false},  // long s
           Case{L"\u212a", L"k", false},                          // Kelvin sign
           Case{L"\u00d7 1-2_3", L"\u00f7 1-2_3", false},         // no letters
           Case{L"\U00010400", L"\U00010428", false},             // beyond the basic plane
       }) {
    EXPECT_EQ(platform::FoldName(c.a) == platform::FoldName(c.b), c.same) << static_cast<int>(c.a[0]);
  }
}

}  // namespace
