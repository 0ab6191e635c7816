#include "display/text_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace initap {
namespace {

TEST(TextFormat, PercentSTakesAWideStringWhateverItsFormOfPassing) {
  const std::wstring owned = L"\\FlashHd\\update.xml";
  const std::wstring_view view = L"a.bin";
  EXPECT_EQ(FormatText(L"found update file %s.", owned), L"found update file \\FlashHd\\update.xml.");
  EXPECT_EQ(FormatText(L"copy %s", view), L"copy a.bin");
  EXPECT_EQ(FormatText(L"%s%s", L"delete ", L"x.txt"), L"delete x.txt");
  EXPECT_EQ(FormatText(L"%s", static_cast<const wchar_t*>(nullptr)), L"");
}

TEST(TextFormat, PercentDIsASigned32BitNumber) {
  EXPECT_EQ(FormatText(L"%d files has been copied.", 3), L"3 files has been copied.");
  EXPECT_EQ(FormatText(L"%d", -1), L"-1");
  EXPECT_EQ(FormatText(L"%d", INT_MIN), L"-2147483648");
  // A wider value is taken as the 32-bit number it holds.
  EXPECT_EQ(FormatText(L"%d", 0x1'0000'0005LL), L"5");
  EXPECT_EQ(FormatText(L"%d#\"%s\"", 21, L"\\System\\Main_Ap.exe"), L"21#\"\\System\\Main_Ap.exe\"");
}

TEST(TextFormat, WidthsAndZeroPaddingMakeTheLogStamp) {
  EXPECT_EQ(FormatText(L"(%02d-%02d %02d:%02d) ", 1, 3, 9, 5), L"(01-03 09:05) ");
  EXPECT_EQ(FormatText(L"(%02d-%02d %02d:%02d) ", 12, 31, 23, 59), L"(12-31 23:59) ");
  EXPECT_EQ(FormatText(L"%5d|%-5d|%05d", 42, 42, -42), L"   42|42   |-0042");
  EXPECT_EQ(FormatText(L"ATL:%8.8X", 0xBEEF), L"ATL:0000BEEF");
  EXPECT_EQ(FormatText(L"%.3s", L"abcdef"), L"abc");
}

TEST(TextFormat, PercentSignsAndMissingArgumentsAreSafe) {
  EXPECT_EQ(FormatText(L"100%% done"), L"100% done");
  EXPECT_EQ(FormatText(L"a %s b %d c"), L"a  b  c");
  EXPECT_EQ(FormatText(L"trailing %"), L"trailing ");
  // A path with a percent sign is an argument, never a format.
  EXPECT_EQ(FormatText(L"copy %s", L"50%d.txt"), L"copy 50%d.txt");
}

}  // namespace
}  // namespace initap
