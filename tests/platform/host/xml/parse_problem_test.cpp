// Why a document did not load: the parser's message, where it found the fault.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/host/xml/xml_parse.h"

namespace initap::test {
namespace {

using platform::host::ParseDocument;
using platform::host::ParseProblem;

struct Broken {
  const char* name;
  std::string bytes;
  std::uint32_t line;
  bool column;  // a column is known
  const char* message;
};

void PrintTo(const Broken& broken, std::ostream* out) { *out << broken.name; }

class ParseProblemTest : public ::testing::TestWithParam<Broken> {};

TEST_P(ParseProblemTest, SaysWhatAndWhere) {
  const Broken& broken = GetParam();
  ParseProblem problem;
  ASSERT_FALSE(ParseDocument(broken.bytes, &problem));
  EXPECT_THAT(problem.message, ::testing::HasSubstr(broken.message));
  EXPECT_EQ(problem.message.find('\n'), std::string::npos);
  EXPECT_EQ(problem.line, broken.line);
  EXPECT_EQ(problem.column != 0, broken.column) << problem.column;
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, ParseProblemTest,
    ::testing::Values(
        Broken{"TagMismatch", "<config>\n  <launch>x</lunch>\n</config>\n", 2, true,
               "Opening and ending tag mismatch: launch line 2 and lunch"},
        Broken{"UndefinedEntity", "<config>\n<a/>\n<b>&nbsp;</b>\n</config>", 3, true, "nbsp"},
        Broken{"Unfinished", "<config>\n<update>\n", 3, true, "update"},
        Broken{"MarkAgainstDeclaration", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", 1, true,
               "labelled UTF-16"},
        Broken{"NulAfterTheRoot", "<config>\n<update/>\n</config>\n" + std::string(1000, '\0'), 4, true, "NUL"},
        Broken{"NulInUtf16", std::string("\xFF\xFE<\0r\0/\0>\0\n\0\0\0", 14), 2, true, "NUL"},
        Broken{"AttributeTwiceUnderTwoPrefixes",
               "<config xmlns:a=\"urn:x\">\n<e xmlns:b=\"urn:x\" a:at=\"1\" b:at=\"2\"/>\n</config>", 2, true,
               "redefined"},
        Broken{"InvalidAgainstItsDtd", "<!DOCTYPE r [<!ELEMENT r EMPTY>]>\n<r><x/></r>", 2, true, "r"},
        Broken{"UndeclaredEntityInADefaultThatApplies",
               "<!DOCTYPE r [<!ELEMENT r ANY><!ATTLIST r a CDATA \"&u;\">]>\n<r/>", 1, true, "'u'"},
        Broken{"UndeclaredEntityInTextBesideAnUnusedDefault",
               "<!DOCTYPE r [<!ELEMENT r ANY><!ATTLIST r a CDATA \"&u;\">]>\n<r a=\"x\">&u;</r>", 1, true, "'u'"}),
    [](const auto& info) { return std::string(info.param.name); });

// Among them, documents whose attribute defaults name undeclared entities
// that no element takes: the text is never used.
TEST(ParseProblem, AWellFormedDocumentLeavesItUntouched) {
  for (const char* bytes : {"<r/>", "<!DOCTYPE r [<!ELEMENT r ANY><!ATTLIST r a CDATA \"&u;\">]>\n<r a=\"x\"/>",
                            "<!DOCTYPE r [<!ELEMENT r ANY><!ELEMENT s ANY><!ATTLIST s a CDATA \"&u;\">]>\n<r/>"}) {
    ParseProblem problem{"before", 7, 7};
    EXPECT_TRUE(ParseDocument(bytes, &problem)) << bytes << ": " << problem.message;
    EXPECT_EQ(problem.message, "before");
  }
}

}  // namespace
}  // namespace initap::test
