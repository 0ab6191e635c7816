#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "config/decimal_number.h"
#include "config/rect_text.h"

namespace initap {
namespace {

TEST(DecimalNumberTest, ReadsSignAndLeadingDigitsOnlyUpToTheSigned32BitLimits) {
  const std::pair<std::wstring_view, std::int32_t> decimals[] = {
      {L"16777215", 16777215},
      {L"-1", -1},
      {L"+5", 5},
      {L"  12", 12},
      {L"\t\r\n12", 12},
      {L"12abc", 12},
      {L"12 34", 12},
      {L"abc", 0},
      {L"0x10", 0},
      {L"", 0},
      {L"-", 0},
      {L"+-3", 0},
      {L"- 3", 0},
      {L"007", 7},
      // Digits of other scripts are not decimal digits of the rule.
      {L"\uFF11\uFF12", 0},
      // The limits, and beyond them.
      {L"2147483647", 2147483647},
      {L"2147483648", 2147483647},
      {L"-2147483648", -2147483647 - 1},
      {L"-2147483649", -2147483647 - 1},
      {L"4294967296", 2147483647},
      {L"99999999999999999999999999999999", 2147483647},
      {L"-99999999999999999999999999999999", -2147483647 - 1}};
  for (const auto& [text, value] : decimals) {
    EXPECT_EQ(DecimalNumber(text), value) << ::testing::PrintToString(std::wstring(text));
  }
}

TEST(ParseRectTest, ReadsFourNumbersAfterCommasOrLeavesTheRectangleAsItWas) {
  // Each text, what ParseRect gives for it and the rectangle it leaves of {1, 2, 3, 4}.
  const std::tuple<std::wstring_view, int, platform::Rect> texts[] = {{L"10,60,230,80", 1, {10, 60, 230, 80}},
                                                                      {L"10, 80, 230, 110", 1, {10, 80, 230, 110}},
                                                                      {L"-5,x,0x20,7,99,100", 1, {-5, 0, 0, 7}},
                                                                      {L",,,", 1, {0, 0, 0, 0}},
                                                                      {L"10,60,230", 0, {1, 2, 3, 4}},
                                                                      {L"10 60 230 80", 0, {1, 2, 3, 4}},
                                                                      {L"", 0, {1, 2, 3, 4}},
                                                                      {std::wstring_view(), 0, {1, 2, 3, 4}}};
  for (const auto& [text, result, left] : texts) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(text)));
    platform::Rect rect{1, 2, 3, 4};
    EXPECT_EQ(ParseRect(text, &rect), result);
    EXPECT_EQ(rect, left);
  }
  EXPECT_EQ(ParseRect(L"1,2,3,4", nullptr), 0);
}

}  // namespace
}  // namespace initap
