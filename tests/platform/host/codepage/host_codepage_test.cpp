#include "platform/host/codepage/host_codepage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

using platform::host::DeviceFolder;
using platform::host::HostCodePage;

class HostCodePageTest : public ::testing::Test {
 protected:
  // A device whose device.ini holds `settings` in its [device] section.
  DeviceFolder Device(const std::string& settings) {
    std::ofstream(temp_.path() / "device.ini") << "[device]\n" << settings << "\n";
    return DeviceFolder{temp_.path(), {}};
  }
  std::unique_ptr<HostCodePage> Open(const std::string& settings) {
    std::string error;
    auto page = HostCodePage::Open(Device(settings), error);
    EXPECT_TRUE(page) << error;
    return page;
  }

  initap::test::TempFolder temp_;
};

TEST_F(HostCodePageTest, DefaultIs1252WithQuestionMarksForWhatItLacks) {
  HostCodePage page(DeviceFolder{temp_.path(), {}});
  EXPECT_EQ(page.Number(), 1252);
  EXPECT_EQ(page.ToAnsi(L"Caf\u00e9 \u20ac5"),
            "Caf\xe9 \x80"
            "5");
  EXPECT_EQ(page.FromAnsi("Caf\xe9 \x80"
                          "5"),
            L"Caf\u00e9 \u20ac5");
  // One "?" per character, also for characters outside the basic plane and lone surrogates.
  EXPECT_EQ(page.ToAnsi(L"a\u684c\u9762b\U0001F600"), "a??b?");
  EXPECT_EQ(page.ToAnsi(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"), "?x");
  EXPECT_EQ(page.ToAnsi(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(page.ToAnsi(L""), "");
}

TEST_F(HostCodePageTest, DoubleByteCodePagesRoundTrip) {
  auto gbk = Open("codepage = 936");
  ASSERT_TRUE(gbk);
  EXPECT_EQ(gbk->ToAnsi(L"\\Windows\\\u684c\u9762"), "\\Windows\\\xd7\xc0\xc3\xe6");
  EXPECT_EQ(gbk->FromAnsi("\\Windows\\\xd7\xc0\xc3\xe6"), L"\\Windows\\\u684c\u9762");

  auto sjis = Open("codepage = 932");
  ASSERT_TRUE(sjis);
  const std::wstring desktop = L"\u30c7\u30b9\u30af\u30c8\u30c3\u30d7";
  EXPECT_EQ(sjis->ToAnsi(desktop).size(), 12u);
  EXPECT_EQ(sjis->FromAnsi(sjis->ToAnsi(desktop)), desktop);

  auto cyrillic = Open("codepage=1251");
  ASSERT_TRUE(cyrillic);
  EXPECT_EQ(cyrillic->ToAnsi(L"\u0420\u0430\u0431\u043e\u0447\u0438\u0439"), "\xd0\xe0\xe1\xee\xf7\xe8\xe9");
  EXPECT_EQ(cyrillic->ToAnsi(L"\u00e9"), "?");
}

TEST_F(HostCodePageTest, InvalidBytesBecomeReplacementCharacters) {
  auto gbk = Open("codepage = 936");
  ASSERT_TRUE(gbk);
  // A lead byte cut off at the end, and one followed by no valid trail byte.
  EXPECT_EQ(gbk->FromAnsi("ab\xd7"), L"ab\uFFFD");
  EXPECT_EQ(gbk->FromAnsi("\xd7\x20"
                          "c"),
            L"\uFFFD c");
  HostCodePage western(Device("codepage = 1252"));
  EXPECT_EQ(western.FromAnsi("a\x81z"), L"a\uFFFDz");
}

TEST_F(HostCodePageTest, LongTextsConvertWhole) {
  HostCodePage page(Device("codepage = 1252"));
  std::wstring text;
  for (int i = 0; i < 3000; ++i) text += (i % 7 == 0) ? L'\u684c' : static_cast<wchar_t>(L'a' + i % 26);
  const std::string narrow = page.ToAnsi(text);
  ASSERT_EQ(narrow.size(), text.size());
  EXPECT_EQ(narrow[0], '?');
  EXPECT_EQ(narrow[1], 'b');
  EXPECT_EQ(page.FromAnsi(std::string(5000, '\xe9')), std::wstring(5000, L'\u00e9'));
}

TEST_F(HostCodePageTest, UnknownCodePagesAreRefusedWithAClearError) {
  for (const std::string setting : {"codepage = 9999", "codepage = abc", "codepage = 12x", "codepage ="}) {
    std::string error;
    EXPECT_FALSE(HostCodePage::Open(Device(setting), error)) << setting;
    EXPECT_NE(error.find("codepage"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
  std::string error;
  HostCodePage::Open(Device("codepage = 9999"), error);
  EXPECT_NE(error.find("9999"), std::string::npos) << error;
  // The plain constructor keeps the device usable with the default.
  HostCodePage fallback(Device("codepage = 9999"));
  EXPECT_EQ(fallback.Number(), 1252);
  EXPECT_EQ(fallback.ToAnsi(L"\u00e9"), "\xe9");
}

TEST_F(HostCodePageTest, ConcurrentConversionsStayWhole) {
  HostCodePage page(Device("codepage = 936"));
  const std::wstring text = L"\u684c\u9762 desktop \u684c\u9762";
  const std::string expected = page.ToAnsi(text);
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (page.ToAnsi(text) != expected || page.FromAnsi(expected) != text) ++wrong[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
