// The findings list comes out in one order however the run came across them.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/host/report/warnings.h"

namespace initap::test {
namespace {

using platform::host::Warning;
using platform::host::Warnings;

std::vector<std::string> Listed(const std::vector<Warning>& added) {
  Warnings warnings;
  for (const Warning& warning : added) warnings.Add(warning);
  std::vector<std::string> out;
  for (const Warning& warning : warnings.All()) {
    out.push_back(warning.description + ":" + std::to_string(warning.line) + " [" + warning.id + "] " + warning.text);
  }
  return out;
}

TEST(WarningsTest, ListsByDescriptionLineAndKindWhateverTheOrderFound) {
  // A second card's finding, one of the run's own, two steps of the first card,
  // and at one step two kinds of finding, one of them met three times by a walk.
  const std::vector<Warning> found = {
      {"\\FlashHd\\update.xml", 3, "b", "unknown-step"},
      {"", 0, "no description", "expected-missing"},
      {"\\sd card\\update.xml", 9, "\\sd card\\z is too long", "path-too-long"},
      {"\\sd card\\update.xml", 9, "the step does nothing", "step-does-nothing"},
      {"\\sd card\\update.xml", 9, "\\sd card\\a is too long", "path-too-long"},
      {"\\sd card\\update.xml", 4, "first step", "step-partial"},
      {"\\sd card\\update.xml", 9, "\\sd card\\m is too long", "path-too-long"},
      {"\\sd card\\update.xml", 9, "\\sd card\\a is too long", "path-too-long"},  // told again
  };
  const std::vector<std::string> expected = {
      "\\FlashHd\\update.xml:3 [unknown-step] b",
      "\\sd card\\update.xml:4 [step-partial] first step",
      "\\sd card\\update.xml:9 [path-too-long] \\sd card\\a is too long",
      "\\sd card\\update.xml:9 [path-too-long] \\sd card\\m is too long",
      "\\sd card\\update.xml:9 [path-too-long] \\sd card\\z is too long",
      "\\sd card\\update.xml:9 [step-does-nothing] the step does nothing",
      ":0 [expected-missing] no description",
  };
  EXPECT_EQ(Listed(found), expected);
  // The walk met the entries the other way round: the same list.
  std::vector<Warning> reversed = found;
  std::swap(reversed[2], reversed[6]);
  EXPECT_EQ(Listed(reversed), expected);
}

}  // namespace
}  // namespace initap::test
