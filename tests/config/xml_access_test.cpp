#include "config/xml_access.h"

#include <gtest/gtest.h>

#include <string>

#include "app/init_ap.h"
#include "platform/common/path_limits.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

using platform::kPathCapacity;

class XmlAccessTest : public ::testing::Test {
 protected:
  // Opens `xml` as "\FlashHd\doc.xml"; the root is then `opened.root`.
  void Open(const std::string& xml) {
    device.WriteFile("FlashHd/doc.xml", xml);
    ASSERT_TRUE(OpenXmlDocument(app, L"\\FlashHd\\doc.xml", opened));
  }

  test::TestDevice device;
  Init_AP app{device.Services()};
  OpenedXml opened;
};

TEST_F(XmlAccessTest, OpenFailsForMissingAndBrokenFiles) {
  opened.root = nullptr;
  EXPECT_FALSE(OpenXmlDocument(app, L"", opened));
  EXPECT_FALSE(OpenXmlDocument(app, L"\\FlashHd\\none.xml", opened));
  device.WriteFile("FlashHd/broken.xml", "<r><a></r>");
  EXPECT_FALSE(OpenXmlDocument(app, L"\\FlashHd\\broken.xml", opened));
  EXPECT_FALSE(opened.document);
  EXPECT_FALSE(opened.root);
  device.MakeFolder("FlashHd/folder.xml");
  EXPECT_FALSE(OpenXmlDocument(app, L"\\FlashHd\\folder.xml", opened));

  Open("<config><a>1</a></config>");
  EXPECT_TRUE(opened.document);
  EXPECT_EQ(opened.root->NodeName(), L"config");
  // A failed open after a good one leaves nothing of the good one behind.
  EXPECT_FALSE(OpenXmlDocument(app, L"\\FlashHd\\none.xml", opened));
  EXPECT_FALSE(opened.document);
}

TEST_F(XmlAccessTest, AbsentElementKeepsTheBufferEmptyElementClearsIt) {
  Open("<config><empty></empty><short/><value>text</value></config>");
  std::wstring buffer = L"earlier";
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./missing", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"earlier");
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./empty", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"");
  buffer = L"earlier";
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"short", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"");
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./value", &buffer, kPathCapacity), 4u);
  EXPECT_EQ(buffer, L"text");
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./value", nullptr, 0), 4u);
  EXPECT_EQ(ReadNodeText(nullptr, L"./value", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"text");
}

TEST_F(XmlAccessTest, TheFirstOfTwoElementsIsReadAndWritten) {
  Open("<config><n>first</n><n>second</n></config>");
  std::wstring buffer;
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./n", &buffer, kValueCapacity), 5u);
  EXPECT_EQ(buffer, L"first");
  EXPECT_EQ(WriteNodeText(opened.root.get(), L"n", L"1"), 1);
  const auto both = opened.root->SelectNodes(L"n");
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0]->Text(), L"1");
  EXPECT_EQ(both[1]->Text(), L"second");
  EXPECT_EQ(WriteNodeText(opened.root.get(), L"missing", L"1"), 0);
  EXPECT_EQ(WriteNodeText(opened.root.get(), L"n", std::wstring_view()), 0);
  EXPECT_EQ(WriteNodeText(nullptr, L"n", L"1"), 0);
}

TEST_F(XmlAccessTest, AttributeNamesMatchExactly) {
  Open("<config><copy Path=\"upper\" from=\"\\a\" to=\"\"/></config>");
  const auto copy = opened.root->SelectSingleNode(L"copy");
  std::wstring buffer = L"earlier";
  EXPECT_EQ(ReadAttribute(copy.get(), L"path", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"earlier");
  EXPECT_EQ(ReadAttribute(copy.get(), L"Path", &buffer, kPathCapacity), 5u);
  EXPECT_EQ(buffer, L"upper");
  EXPECT_EQ(ReadAttribute(copy.get(), L"to", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"");
  EXPECT_EQ(ReadAttribute(copy.get(), L"from", nullptr, 0), 2u);
  EXPECT_EQ(ReadAttribute(nullptr, L"from", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(ReadAttribute(copy.get(), L"", &buffer, kPathCapacity), 0u);
}

TEST_F(XmlAccessTest, ValuesLongerThanTheBufferAreRefusedWhole) {
  const std::string fits(kPathCapacity - 1, 'p');
  const std::string tooLong(kPathCapacity, 'p');
  Open("<config><fits>" + fits + "</fits><long>" + tooLong + "</long><number>" + std::string(kValueCapacity, '1') +
       "</number><step a=\"" + fits + "\" b=\"" + tooLong + "\"/></config>");
  std::wstring buffer = L"earlier";
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./long", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"earlier");
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./number", &buffer, kValueCapacity), 0u);
  EXPECT_EQ(buffer, L"earlier");
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./fits", &buffer, kPathCapacity), kPathCapacity - 1);
  EXPECT_EQ(buffer, std::wstring(kPathCapacity - 1, L'p'));

  const auto step = opened.root->SelectSingleNode(L"step");
  buffer = L"earlier";
  EXPECT_EQ(ReadAttribute(step.get(), L"b", &buffer, kPathCapacity), 0u);
  EXPECT_EQ(buffer, L"earlier");
  EXPECT_EQ(ReadAttribute(step.get(), L"a", &buffer, kPathCapacity), kPathCapacity - 1);
  EXPECT_EQ(ReadAttribute(step.get(), L"a", &buffer, kValueCapacity), 0u);
  // Without a buffer nothing can overflow: the length is told.
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./long", nullptr, kPathCapacity), kPathCapacity);

  // Lengths count the device's 16-bit units: a character beyond the basic plane takes two.
  const std::string wide = "\xf0\xa0\x80\x80";
  std::string fitsWide;
  for (int i = 0; i < 129; ++i) fitsWide += wide;
  Open("<config><fits>" + fitsWide + "p</fits><long>" + fitsWide + wide + "</long></config>");
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./fits", &buffer, kPathCapacity), kPathCapacity - 1);
  EXPECT_EQ(ReadNodeText(opened.root.get(), L"./long", &buffer, kPathCapacity), 0u);
}

}  // namespace
}  // namespace initap
