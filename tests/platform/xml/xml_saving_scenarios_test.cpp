// Replacing texts and writing documents back.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/platform/xml/xml_device.h"

namespace initap::test {
namespace {

using platform::XmlNode;

// Every element below `node` as a line of name, attributes and text, in document order.
void Describe(const XmlNode& node, std::wstring& out, const std::vector<std::wstring>& attributes) {
  out += node.NodeName() + L"[";
  for (const auto& name : attributes) {
    std::wstring value;
    if (node.GetAttribute(name, value)) out += name + L"=" + value + L";";
  }
  out += L"]" + node.Text() + L"\n";
  for (const auto& child : node.ChildNodes()) {
    if (child->NodeName()[0] != L'#') Describe(*child, out, attributes);
  }
}

TEST(XmlSaving, PutTextReplacesAllChildrenByOneText) {
  XmlDevice device;
  auto document = device.LoadBytes("<r><a>x<b>y</b><!--c--><![CDATA[z]]></a><c>keep</c></r>");
  ASSERT_TRUE(document);
  auto root = document->DocumentElement();
  auto a = root->SelectSingleNode(L"a");
  auto heldChild = a->SelectSingleNode(L"b");

  ASSERT_TRUE(a->PutText(L"<new & \"text\">"));
  const auto children = a->ChildNodes();
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(children[0]->NodeName(), L"#text");
  EXPECT_EQ(a->Text(), L"<new & \"text\">");
  // A node cut out by the replacement stays usable while it is held.
  EXPECT_EQ(heldChild->Text(), L"y");

  ASSERT_TRUE(document->Save(XmlDevice::kPath));
  EXPECT_NE(device.Get(XmlDevice::kHostPath).find("&lt;new &amp; \"text\"&gt;"), std::string::npos);
  auto again = device.xml().Load(XmlDevice::kPath);
  ASSERT_TRUE(again);
  auto againRoot = again->DocumentElement();
  EXPECT_EQ(againRoot->SelectSingleNode(L"a")->Text(), L"<new & \"text\">");
  EXPECT_EQ(againRoot->SelectSingleNode(L"a")->SelectSingleNode(L"b"), nullptr);
  EXPECT_EQ(againRoot->SelectSingleNode(L"c")->Text(), L"keep");
}

TEST(XmlSaving, PutTextEmptiesAndRefusesWhatXmlCannotHold) {
  XmlDevice device;
  auto document = device.LoadBytes("<r><a>x</a></r>");
  auto a = document->DocumentElement()->SelectSingleNode(L"a");
  EXPECT_FALSE(a->PutText(std::wstring(L"bad\x01")));
  EXPECT_EQ(a->Text(), L"x");
  ASSERT_TRUE(a->PutText(L""));
  EXPECT_FALSE(a->HasChildNodes());
  EXPECT_EQ(a->Text(), L"");
  ASSERT_TRUE(a->PutText(L"y"));
  // Only elements take a text.
  EXPECT_FALSE(a->ChildNodes()[0]->PutText(L"z"));
}

TEST(XmlSaving, RoundTripKeepsEveryElementAndAttribute) {
  XmlDevice device;
  const std::string original = R"(<?xml version="1.0" encoding="UTF-8"?>
<update_info>
  <launch>\System\Main_Ap.exe</launch>
  <filename_rect>10, 60, 230, 80</filename_rect>
  <update_already>0</update_already>
  <update>
    <!-- steps -->
    <copy from="a\" to="\FlashHd\b\"/>
    <DELETE path="x.txt" Path="y"/>
    <copy from="caf&#xE9;.bin" to="&lt;odd&gt;"/>
  </update>
</update_info>
)";
  const std::vector<std::wstring> attributes = {L"from", L"to", L"path", L"Path"};
  auto document = device.LoadBytes(original);
  ASSERT_TRUE(document);
  std::wstring before;
  Describe(*document->DocumentElement(), before, attributes);

  ASSERT_TRUE(document->Save(XmlDevice::kPath));
  auto again = device.xml().Load(XmlDevice::kPath);
  ASSERT_TRUE(again);
  std::wstring after;
  Describe(*again->DocumentElement(), after, attributes);
  EXPECT_EQ(after, before);
  EXPECT_NE(before.find(L"copy[from=caf\u00E9.bin;to=<odd>;]"), std::wstring::npos) << before;
  EXPECT_EQ(Names(again->DocumentElement()->SelectSingleNode(L"update")->ChildNodes()),
            (std::vector<std::wstring>{L"#comment", L"copy", L"DELETE", L"copy"}));
}

TEST(XmlSaving, KeepsTheDeclaredLegacyEncoding) {
  XmlDevice device;
  auto document = device.LoadBytes("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><a>caf\xE9</a></r>");
  ASSERT_TRUE(document);
  ASSERT_TRUE(document->DocumentElement()->SelectSingleNode(L"a")->PutText(L"th\u00E9 \u65E5"));
  ASSERT_TRUE(document->Save(XmlDevice::kPath));
  const std::string bytes = device.Get(XmlDevice::kHostPath);
  EXPECT_TRUE(bytes.starts_with("<?xml version=\"1.0\" encoding=\"windows-1252\"?>")) << bytes;
  // é fits the code page as one byte; a character it lacks becomes a reference.
  EXPECT_NE(bytes.find("th\xE9 &#26085;"), std::string::npos) << bytes;
  auto again = device.xml().Load(XmlDevice::kPath);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->DocumentElement()->SelectSingleNode(L"a")->Text(), L"th\u00E9 \u65E5");
}

// A path is ASCII in every encoding that keeps ASCII: its backslashes and
// tildes come back unchanged from a load and a save, whatever name the
// declaration gives the code page.
TEST(XmlSaving, APathSurvivesEveryAsciiEncoding) {
  XmlDevice device;
  const std::string body = "<r><copy from=\"\\sd card\\a~1.bin\"/><launch>\\System\\Main_Ap.exe</launch></r>";
  for (const char* encoding :
       {"UTF-8",        "ISO-8859-1",   "windows-1252", "windows-1250", "windows-1251", "windows-1253", "windows-1254",
        "windows-1255", "windows-1256", "windows-1257", "windows-1258", "windows-874",  "GB2312",       "GBK",
        "Big5",         "EUC-KR",       "EUC-JP",       "ISO-2022-JP",  "Shift_JIS",    "shift-jis",    "MS_Kanji",
        "csShiftJIS",   "SJIS",         "x-sjis",       "Windows-31J",  "x-ms-cp932"}) {
    SCOPED_TRACE(encoding);
    const std::string declaration = std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>";
    device.Put(XmlDevice::kHostPath, declaration + body);
    for (int round = 0; round < 2; ++round) {
      auto document = device.xml().Load(XmlDevice::kPath);
      ASSERT_TRUE(document);
      auto root = document->DocumentElement();
      std::wstring from;
      EXPECT_TRUE(root->SelectSingleNode(L"copy")->GetAttribute(L"from", from));
      EXPECT_EQ(from, L"\\sd card\\a~1.bin");
      EXPECT_EQ(root->SelectSingleNode(L"launch")->Text(), L"\\System\\Main_Ap.exe");
      ASSERT_TRUE(document->Save(XmlDevice::kPath));
    }
    const std::string saved = device.Get(XmlDevice::kHostPath);
    EXPECT_TRUE(saved.starts_with(declaration)) << saved;
    EXPECT_NE(saved.find("<launch>\\System\\Main_Ap.exe</launch>"), std::string::npos) << saved;
  }
}

TEST(XmlSaving, AnEncodingThatCannotBeReadBackIsWrittenAsUtf8) {
  XmlDevice device;
  // UTF-7 writes "<" as "+ADw-": a file saved so would never load again.
  auto document = device.LoadBytes("<?xml version=\"1.0\" encoding=\"UTF-7\"?><r><a>xyz</a></r>");
  ASSERT_TRUE(document);
  ASSERT_TRUE(document->Save(XmlDevice::kPath));
  EXPECT_TRUE(device.Get(XmlDevice::kHostPath).starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
  auto again = device.xml().Load(XmlDevice::kPath);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->DocumentElement()->SelectSingleNode(L"a")->Text(), L"xyz");
}

TEST(XmlSaving, KeepsTheInternalSubset) {
  XmlDevice device;
  auto document = device.LoadBytes("<!DOCTYPE r [<!ENTITY who \"World\">]><r><a>Hello &who;</a></r>");
  ASSERT_TRUE(document);
  ASSERT_TRUE(document->Save(XmlDevice::kPath));
  auto again = device.xml().Load(XmlDevice::kPath);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->DocumentElement()->SelectSingleNode(L"a")->Text(), L"Hello World");
}

TEST(XmlSaving, FailedWriteLeavesTheFileAsItWas) {
  XmlDevice device;
  const std::string original = "<r><a>old</a></r>";
  auto document = device.LoadBytes(original);
  ASSERT_TRUE(document);
  std::ignore = document->DocumentElement()->SelectSingleNode(L"a")->PutText(L"new");
  device.files().failReplace = true;
  EXPECT_FALSE(document->Save(XmlDevice::kPath));
  EXPECT_EQ(device.Get(XmlDevice::kHostPath), original);
  device.files().failReplace = false;
  // A folder that is not there cannot take the file.
  EXPECT_FALSE(document->Save(L"\\FlashHd\\missing\\test.xml"));
  EXPECT_TRUE(document->Save(L"\\FlashHd\\copy.xml"));
  EXPECT_NE(device.Get("FlashHd/copy.xml").find("<a>new</a>"), std::string::npos);
}

}  // namespace
}  // namespace initap::test
