// Loading documents and reading their elements, texts and attributes.
#include <gtest/gtest.h>

#include "tests/platform/xml/xml_device.h"

namespace initap::test {
namespace {

using platform::XmlDocument;
using platform::XmlNode;

constexpr std::string_view kConfig = R"(<?xml version="1.0"?>
<config>
  <item>first</item>
  <item>second</item>
  <value>
     padded  text	
  </value>
  <mixed>a<b>b</b><!-- c --><![CDATA[d]]><?pi data?>e</mixed>
  <step Path="upper" path="lower" empty=""/>
  <p:q xmlns:p="urn:x">named</p:q>
  <escaped>&lt;&#x41;&amp;&gt;</escaped>
</config>
)";

class XmlReading : public ::testing::Test {
 protected:
  void SetUp() override {
    document = device.LoadBytes(kConfig);
    ASSERT_TRUE(document);
    root = document->DocumentElement();
    ASSERT_TRUE(root);
  }
  std::wstring TextOf(std::wstring_view path) {
    auto node = root->SelectSingleNode(path);
    return node ? node->Text() : L"(absent)";
  }

  XmlDevice device;
  std::unique_ptr<XmlDocument> document;
  std::unique_ptr<XmlNode> root;
};

TEST_F(XmlReading, SelectsChildElementsByExactNameInDocumentOrder) {
  EXPECT_EQ(root->NodeName(), L"config");
  EXPECT_EQ(TextOf(L"./item"), L"first");
  EXPECT_EQ(TextOf(L"item"), L"first");
  EXPECT_EQ(Names(root->SelectNodes(L"./item")), (std::vector<std::wstring>{L"item", L"item"}));
  const auto items = root->SelectNodes(L"item");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1]->Text(), L"second");

  EXPECT_EQ(root->SelectSingleNode(L"./Item"), nullptr);
  EXPECT_EQ(root->SelectSingleNode(L"./missing"), nullptr);
  EXPECT_TRUE(root->SelectNodes(L"missing").empty());
  // Only children are selected, never deeper elements.
  EXPECT_EQ(root->SelectSingleNode(L"b"), nullptr);
  EXPECT_EQ(root->SelectSingleNode(L"mixed/b"), nullptr);
  EXPECT_EQ(root->SelectSingleNode(L""), nullptr);
  EXPECT_EQ(TextOf(L"p:q"), L"named");
}

TEST_F(XmlReading, TextIsTrimmedConcatenationOfTextBelow) {
  EXPECT_EQ(TextOf(L"value"), L"padded  text");
  // Comments and processing instructions are not text; CDATA is.
  EXPECT_EQ(TextOf(L"mixed"), L"abde");
  EXPECT_EQ(TextOf(L"escaped"), L"<A&>");
  EXPECT_EQ(TextOf(L"step"), L"");
}

TEST_F(XmlReading, ChildNodesNamedByKindWithoutBlankText) {
  EXPECT_EQ(Names(root->ChildNodes()),
            (std::vector<std::wstring>{L"item", L"item", L"value", L"mixed", L"step", L"p:q", L"escaped"}));
  auto mixed = root->SelectSingleNode(L"mixed");
  EXPECT_EQ(Names(mixed->ChildNodes()),
            (std::vector<std::wstring>{L"#text", L"b", L"#comment", L"#cdata-section", L"pi", L"#text"}));
  EXPECT_TRUE(mixed->HasChildNodes());
  EXPECT_FALSE(root->SelectSingleNode(L"step")->HasChildNodes());
}

TEST_F(XmlReading, AttributesMatchExactly) {
  auto step = root->SelectSingleNode(L"step");
  std::wstring value = L"before";
  EXPECT_TRUE(step->GetAttribute(L"Path", value));
  EXPECT_EQ(value, L"upper");
  EXPECT_TRUE(step->GetAttribute(L"path", value));
  EXPECT_EQ(value, L"lower");
  value = L"kept";
  EXPECT_FALSE(step->GetAttribute(L"PATH", value));
  EXPECT_FALSE(step->GetAttribute(L"pat", value));
  EXPECT_EQ(value, L"kept");
  EXPECT_TRUE(step->GetAttribute(L"empty", value));
  EXPECT_EQ(value, L"");
}

TEST_F(XmlReading, NodesKeepTheirDocumentAlive) {
  auto item = root->SelectSingleNode(L"item");
  document.reset();
  root.reset();
  EXPECT_EQ(item->Text(), L"first");
}

TEST(Xml, InternalEntitiesExpandInTextAndAttributes) {
  XmlDevice device;
  auto document = device.LoadBytes(R"(<!DOCTYPE r [<!ENTITY who "World"><!ENTITY all "&who; and &who;">]>
<r greeting="Hello &who;"><a>Hello &all;!</a></r>)");
  ASSERT_TRUE(document);
  auto root = document->DocumentElement();
  EXPECT_EQ(root->SelectSingleNode(L"a")->Text(), L"Hello World and World!");
  std::wstring value;
  EXPECT_TRUE(root->GetAttribute(L"greeting", value));
  EXPECT_EQ(value, L"Hello World");
}

TEST(Xml, MissingOrEmptyFileGivesNoDocument) {
  XmlDevice device;
  EXPECT_EQ(device.xml().Load(L"\\FlashHd\\none.xml"), nullptr);
  EXPECT_EQ(device.xml().Load(L""), nullptr);
  EXPECT_EQ(device.LoadBytes(""), nullptr);
  EXPECT_EQ(device.LoadBytes("<?xml version=\"1.0\"?>"), nullptr);
}

struct EncodedCase {
  const char* name;
  std::string bytes;
  std::wstring text;
};

void PrintTo(const EncodedCase& c, std::ostream* out) { *out << c.name; }

class XmlEncoding : public ::testing::TestWithParam<EncodedCase> {};

TEST_P(XmlEncoding, DecodesToWideText) {
  XmlDevice device;
  auto document = device.LoadBytes(GetParam().bytes);
  ASSERT_TRUE(document);
  auto root = document->DocumentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(root->NodeName(), L"r");
  EXPECT_EQ(root->SelectSingleNode(L"a")->Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, XmlEncoding,
    ::testing::Values(
        EncodedCase{"Utf8", "<r><a>caf\xC3\xA9 \xE2\x82\xAC</a></r>", L"caf\u00E9 \u20AC"},
        EncodedCase{"Utf8Bom", "\xEF\xBB\xBF<r><a>caf\xC3\xA9</a></r>", L"caf\u00E9"},
        EncodedCase{"Utf16LeBom",
                    Utf16WithBom(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r><a>\u65E5\u00E9</a></r>"),
                    L"\u65E5\u00E9"},
        EncodedCase{"Utf16BeBomNoDeclaration", Utf16WithBom(L"<r><a>\u65E5\u00E9</a></r>", true), L"\u65E5\u00E9"},
        EncodedCase{"Windows1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><a>caf\xE9 \x80</a></r>",
                    L"caf\u00E9 \u20AC"},
        EncodedCase{"ShiftJis", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r><a>\x93\xFA\x96\x7B</a></r>",
                    L"\u65E5\u672C"},
        EncodedCase{"Gbk", "<?xml version=\"1.0\" encoding=\"GBK\"?><r><a>\xD6\xD0\xCE\xC4</a></r>", L"\u4E2D\u6587"},
        EncodedCase{"Gb2312", "<?xml version=\"1.0\" encoding=\"GB2312\"?><r><a>\xD6\xD0</a></r>", L"\u4E2D"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BrokenCase {
  const char* name;
  std::string bytes;
};

void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }

class XmlNotWellFormed : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(XmlNotWellFormed, FailsToLoad) {
  XmlDevice device;
  EXPECT_EQ(device.LoadBytes(GetParam().bytes), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlNotWellFormed,
    ::testing::Values(
        BrokenCase{"UnclosedElement", "<r><a>text</r>"}, BrokenCase{"EndsInsideRoot", "<r><a>text</a>"},
        BrokenCase{"TwoRootElements", "<r/><s/>"}, BrokenCase{"TextAfterRoot", "<r/>junk"},
        BrokenCase{"UndefinedEntity", "<r>&nope;</r>"},
        BrokenCase{"UndefinedEntityBesideExternalSubset", "<!DOCTYPE r SYSTEM \"r.dtd\"><r>&nope;</r>"},
        BrokenCase{"UndeclaredPrefix", "<p:r/>"}, BrokenCase{"DuplicateAttribute", "<r a=\"1\" a=\"2\"/>"},
        BrokenCase{"UnquotedAttribute", "<r a=1/>"}, BrokenCase{"NotXml", "just some words"},
        BrokenCase{"InvalidUtf8", "<r><a>\xFF</a></r>"}, BrokenCase{"InvalidUtf8AfterRoot", "<r/><!-- \xC3 -->"},
        BrokenCase{"InvalidWindows1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><a>\x81</a></r>"},
        BrokenCase{"InvalidShiftJis", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r><a>\x81\x20</a></r>"},
        BrokenCase{"UnknownEncoding", "<?xml version=\"1.0\" encoding=\"x-no-such-code\"?><r/>"},
        BrokenCase{"ControlCharacter", "<r>\x01</r>"},
        BrokenCase{"InvalidAgainstInternalDtd", "<!DOCTYPE r [<!ELEMENT r (a)*><!ELEMENT a EMPTY>]><r><a/><b/></r>"},
        BrokenCase{"RequiredAttributeMissing", "<!DOCTYPE r [<!ELEMENT r EMPTY><!ATTLIST r id CDATA #REQUIRED>]><r/>"},
        BrokenCase{"RepeatedEnumerationToken",
                   "<!DOCTYPE config [<!ELEMENT config ANY><!ATTLIST copy mode (fast|fast) #IMPLIED>]><config/>"},
        BrokenCase{"Utf16MarkDeclaredUtf8", Utf16WithBom(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>")},
        BrokenCase{"Utf16BigEndianMarkDeclaredLatin1",
                   Utf16WithBom(L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>", true)},
        BrokenCase{"Utf8MarkDeclaredWindows1252", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?><r/>"},
        BrokenCase{"Utf8MarkDeclaredUtf16", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>"}),
    [](const auto& info) { return std::string(info.param.name); });

// Only a document's own DTD can make it invalid, and a mark that agrees with
// the declaration is no fault.
TEST(Xml, LoadsWhatNoDtdOfItsOwnCondemns) {
  XmlDevice device;
  for (const std::string& bytes : {
           std::string("<!DOCTYPE r [<!ELEMENT r (a)*><!ELEMENT a (#PCDATA)><!ATTLIST a k (x|y) \"x\">]>"
                       "<r><a k=\"y\">t</a></r>"),
           std::string("<r xml:id=\"1\"><a xml:id=\"2\"/></r>"),
           std::string("<!DOCTYPE r SYSTEM \"r.dtd\"><r><a/></r>"),
           std::string("<!DOCTYPE r [<!ENTITY e \"x\">]><r><b>&e;</b></r>"),
           std::string("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><r/>"),
           Utf16WithBom(L"<?xml version=\"1.0\" encoding=\"utf-16\"?><r/>", true),
       }) {
    EXPECT_TRUE(device.LoadBytes(bytes)) << bytes;
  }
}

}  // namespace
}  // namespace initap::test
