// The layout of documents the host writes back.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/xml/xml_device.h"

namespace initap::test {
namespace {

TEST(HostXmlSaving, KeepsShiftJisAndUtf16) {
  XmlDevice device;
  auto sjis = device.LoadBytes("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r><a>\x93\xFA</a></r>");
  ASSERT_TRUE(sjis);
  ASSERT_TRUE(sjis->Save(XmlDevice::kPath));
  EXPECT_NE(device.Get(XmlDevice::kHostPath).find("encoding=\"Shift_JIS\"?>\n<r>\n  <a>\x93\xFA</a>"),
            std::string::npos);

  for (const char* declaration : {"<?xml version=\"1.0\" encoding=\"UTF-16\"?>", "<?xml version=\"1.0\"?>"}) {
    std::wstring text(declaration, declaration + std::strlen(declaration));
    auto utf16 = device.LoadBytes(Utf16WithBom(text + L"<r><a>\u65E5</a></r>"));
    ASSERT_TRUE(utf16);
    ASSERT_TRUE(utf16->Save(XmlDevice::kPath));
    EXPECT_TRUE(
        device.Get(XmlDevice::kHostPath).starts_with(Utf16WithBom(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>")));
    auto again = device.xml().Load(XmlDevice::kPath);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->DocumentElement()->SelectSingleNode(L"a")->Text(), L"\u65E5");
  }
}

TEST(HostXmlSaving, NoDeclarationIsWrittenAsUtf8WithoutOne) {
  XmlDevice device;
  for (const std::string& bytes :
       {std::string("<r><a>caf\xC3\xA9</a></r>"), Utf16WithBom(L"<r><a>caf\u00E9</a></r>")}) {
    auto document = device.LoadBytes(bytes);
    ASSERT_TRUE(document);
    ASSERT_TRUE(document->Save(XmlDevice::kPath));
    EXPECT_EQ(device.Get(XmlDevice::kHostPath), "<r>\n  <a>caf\xC3\xA9</a>\n</r>\n");
  }
}

}  // namespace
}  // namespace initap::test
