// What a document that names other files or expands entities without end can reach.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/platform/xml/xml_device.h"

namespace initap::test {
namespace {

// Whatever becomes of a document that names another file, nothing of that file gets in.
class HostXmlConfinement : public ::testing::Test {
 protected:
  void SetUp() override {
    secretFile = (device.Outside() / "secret.txt").string();
    std::ofstream(secretFile) << "TOPSECRET";
    secretDtd = (device.Outside() / "secret.dtd").string();
    std::ofstream(secretDtd) << "<!ENTITY leak \"TOPSECRET\">";
    device.Put("FlashHd/secret.dtd", "<!ENTITY leak \"TOPSECRET\">");
  }
  void ExpectNothingLeaks(const std::string& xml) {
    auto document = device.LoadBytes(xml);
    if (!document) return;
    auto root = document->DocumentElement();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Text().find(L"TOPSECRET"), std::wstring::npos) << xml;
    std::wstring value;
    if (root->GetAttribute(L"a", value)) {
      EXPECT_EQ(value.find(L"TOPSECRET"), std::wstring::npos) << xml;
    }
  }

  XmlDevice device;
  std::string secretFile;
  std::string secretDtd;
};

TEST_F(HostXmlConfinement, ExternalEntitiesAreNeverLoaded) {
  ExpectNothingLeaks("<!DOCTYPE r [<!ENTITY e SYSTEM \"file://" + secretFile + "\">]><r>&e;</r>");
  ExpectNothingLeaks("<!DOCTYPE r [<!ENTITY e SYSTEM \"" + secretFile + "\">]><r>&e;</r>");
  ExpectNothingLeaks("<!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><r>&e;</r>");
  ExpectNothingLeaks("<!DOCTYPE r [<!ENTITY e SYSTEM \"http://127.0.0.1:1/x\">]><r>&e;</r>");
  ExpectNothingLeaks("<!DOCTYPE r [<!ENTITY % p SYSTEM \"file://" + secretDtd + "\"> %p;]><r a=\"&leak;\">&leak;</r>");
  ExpectNothingLeaks("<!DOCTYPE r SYSTEM \"file://" + secretDtd + "\"><r>&leak;</r>");
  ExpectNothingLeaks("<!DOCTYPE r SYSTEM \"secret.dtd\"><r>&leak;</r>");
  ExpectNothingLeaks("<r xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"file://" + secretFile +
                     "\" parse=\"text\"/></r>");
}

std::string Laughs(int levels, int fanOut, const std::string& use) {
  std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY l0 \"lol\">";
  for (int level = 1; level <= levels; ++level) {
    xml += "<!ENTITY l" + std::to_string(level) + " \"";
    for (int k = 0; k < fanOut; ++k) xml += "&l" + std::to_string(level - 1) + ";";
    xml += "\">";
  }
  return xml + "]>" + use;
}

std::string Repeated(const std::string& entityText, int references, bool inAttribute) {
  std::string uses;
  for (int k = 0; k < references; ++k) uses += "&big;";
  const std::string body = inAttribute ? "<r a=\"" + uses + "\"/>" : "<r>" + uses + "</r>";
  return "<!DOCTYPE r [<!ENTITY big \"" + entityText + "\">]>" + body;
}

TEST(HostXmlEntities, ExpansionBeyondTheBoundFailsToLoad) {
  XmlDevice device;
  EXPECT_EQ(device.LoadBytes(Laughs(9, 10, "<r>&l9;</r>")), nullptr);
  EXPECT_EQ(device.LoadBytes(Laughs(9, 10, "<r a=\"&l9;\"/>")), nullptr);
  // One big entity used many times: each reference is small, their sum is not.
  EXPECT_EQ(device.LoadBytes(Repeated(std::string(50000, 'x'), 2000, false)), nullptr);
  EXPECT_EQ(device.LoadBytes(Repeated(std::string(50000, 'x'), 2000, true)), nullptr);
  EXPECT_EQ(device.LoadBytes("<!DOCTYPE r [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><r>&a;</r>"), nullptr);
}

TEST(HostXmlEntities, ModestExpansionLoads) {
  XmlDevice device;
  auto laughs = device.LoadBytes(Laughs(1, 10, "<r>&l1;</r>"));
  ASSERT_TRUE(laughs);
  EXPECT_EQ(laughs->DocumentElement()->Text().size(), 30u);
  auto repeated = device.LoadBytes(Repeated(std::string(1000, 'x'), 100, false));
  ASSERT_TRUE(repeated);
  EXPECT_EQ(repeated->DocumentElement()->Text(), std::wstring(100000, L'x'));
}

}  // namespace
}  // namespace initap::test
