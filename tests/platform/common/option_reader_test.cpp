#include "platform/common/option_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

// A program of two options, as a tool with a table of its own reads them:
// what each argument gave, in order, and how the reading ended.
struct Reading {
  bool ok = false;
  bool help = false;
  std::string taken;
  std::string error;
};

Reading Read(const std::vector<std::string>& arguments) {
  Reading reading;
  const auto take = [&](std::string_view name) {
    return [&reading, name](std::string_view value, std::string& error) {
      if (value == "bad") {
        error = std::string(name) + " refuses bad";
        return false;
      }
      reading.taken += std::string(name) + "=" + std::string(value) + " ";
      return true;
    };
  };
  const Option options[] = {{"--settings", true, take("--settings")}, {"--mass", false, take("--mass")}};
  const auto positional = take("positional");
  reading.ok = ReadOptions("card", options, arguments, positional, reading.help, reading.error);
  return reading;
}

TEST(OptionReaderTest, ReadsEachArgumentInOrderUntilHelpOrTheFirstRefusal) {
  const struct {
    std::vector<std::string> arguments;
    bool ok;
    bool help;
    std::string taken;
    std::string error;
  } cases[] = {
      {{"--settings", "a.xml", "--mass", "DEV"}, true, false, "--settings=a.xml --mass= positional=DEV ", ""},
      {{"--settings=a=b.xml", "--settings="}, true, false, "--settings=a=b.xml --settings= ", ""},
      {{"-", "--settings", "-h"}, true, false, "positional=- --settings=-h ", ""},
      {{"--mass", "-h", "--bogus"}, true, true, "--mass= ", ""},
      {{"--help=now"}, true, true, "", ""},
      {{"--bogus", "--help"}, false, false, "", "unknown option '--bogus' (see card --help)"},
      {{"-x=1"}, false, false, "", "unknown option '-x=1' (see card --help)"},
      {{"--"}, false, false, "", "unknown option '--' (see card --help)"},
      {{"DEV", "--settings"}, false, false, "positional=DEV ", "--settings needs a value"},
      {{"--mass=yes"}, false, false, "", "--mass takes no value"},
      {{"--settings", "bad", "DEV"}, false, false, "", "--settings refuses bad"},
      {{"bad", "--mass"}, false, false, "", "positional refuses bad"},
  };
  for (const auto& c : cases) {
    const Reading reading = Read(c.arguments);
    const std::string context = ::testing::PrintToString(c.arguments);
    EXPECT_EQ(reading.ok, c.ok) << context;
    EXPECT_EQ(reading.help, c.help) << context;
    EXPECT_EQ(reading.taken, c.taken) << context;
    EXPECT_EQ(reading.error, c.error) << context;
  }
}

}  // namespace
}  // namespace platform
