#include <gtest/gtest.h>

#include "config/decimal_number.h"
#include "config/rect_text.h"

namespace initap {
namespace {

TEST(DecimalNumberTest, ReadsSignAndLeadingDigitsOnly) {
  EXPECT_EQ(DecimalNumber(L"16777215"), 16777215);
  EXPECT_EQ(DecimalNumber(L"-1"), -1);
  EXPECT_EQ(DecimalNumber(L"+5"), 5);
  EXPECT_EQ(DecimalNumber(L"  12"), 12);
  EXPECT_EQ(DecimalNumber(L"\t\r\n12"), 12);
  EXPECT_EQ(DecimalNumber(L"12abc"), 12);
  EXPECT_EQ(DecimalNumber(L"12 34"), 12);
  EXPECT_EQ(DecimalNumber(L"abc"), 0);
  EXPECT_EQ(DecimalNumber(L"0x10"), 0);
  EXPECT_EQ(DecimalNumber(L""), 0);
  EXPECT_EQ(DecimalNumber(L"-"), 0);
  EXPECT_EQ(DecimalNumber(L"+-3"), 0);
  EXPECT_EQ(DecimalNumber(L"- 3"), 0);
  EXPECT_EQ(DecimalNumber(L"007"), 7);
  // Digits of other scripts are not decimal digits of the rule.
  EXPECT_EQ(DecimalNumber(L"\uFF11\uFF12"), 0);
}

TEST(DecimalNumberTest, SaturatesAtTheSigned32BitLimits) {
  EXPECT_EQ(DecimalNumber(L"2147483647"), 2147483647);
  EXPECT_EQ(DecimalNumber(L"2147483648"), 2147483647);
  EXPECT_EQ(DecimalNumber(L"-2147483648"), -2147483647 - 1);
  EXPECT_EQ(DecimalNumber(L"-2147483649"), -2147483647 - 1);
  EXPECT_EQ(DecimalNumber(L"4294967296"), 2147483647);
  EXPECT_EQ(DecimalNumber(L"99999999999999999999999999999999"), 2147483647);
  EXPECT_EQ(DecimalNumber(L"-99999999999999999999999999999999"), -2147483647 - 1);
}

TEST(ParseRectTest, ReadsFourNumbersAfterCommas) {
  platform::Rect rect{1, 2, 3, 4};
  EXPECT_EQ(ParseRect(L"10,60,230,80", &rect), 1);
  EXPECT_EQ(rect, (platform::Rect{10, 60, 230, 80}));
  EXPECT_EQ(ParseRect(L"10, 80, 230, 110", &rect), 1);
  EXPECT_EQ(rect, (platform::Rect{10, 80, 230, 110}));
  EXPECT_EQ(ParseRect(L"-5,x,0x20,7,99,100", &rect), 1);
  EXPECT_EQ(rect, (platform::Rect{-5, 0, 0, 7}));
  EXPECT_EQ(ParseRect(L",,,", &rect), 1);
  EXPECT_EQ(rect, (platform::Rect{0, 0, 0, 0}));
}

TEST(ParseRectTest, TooFewCommasLeaveTheRectangleAsItWas) {
  platform::Rect rect{1, 2, 3, 4};
  EXPECT_EQ(ParseRect(L"10,60,230", &rect), 0);
  EXPECT_EQ(ParseRect(L"10 60 230 80", &rect), 0);
  EXPECT_EQ(ParseRect(L"", &rect), 0);
  EXPECT_EQ(ParseRect(std::wstring_view(), &rect), 0);
  EXPECT_EQ(rect, (platform::Rect{1, 2, 3, 4}));
  EXPECT_EQ(ParseRect(L"1,2,3,4", nullptr), 0);
}

}  // namespace
}  // namespace initap
