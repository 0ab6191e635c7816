// One card checked on several device variants at once: the rows, the worst
// verdict, the JUnit XML a CI server reads and the JSON of the whole.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/host/xml/xml_parse.h"
#include "tests/e2e/device_boot.h"
#include "tests/support/host_files.h"
#include "tests/support/tree_snapshot.h"
#include "tools/card/card_tool.h"
#include "tools/card/json_value.h"

namespace initap::card {
namespace {

namespace fs = std::filesystem;
using test::DeviceTree;

struct ToolRun {
  int exitCode = 0;
  std::string out;
  std::string err;
};

ToolRun CardTool(const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  const int code = RunCardTool(arguments, {test::kInitap}, out, err);
  return {code, out.str(), err.str()};
}

// The card copies a file that only some devices hold; one device lacks its main application.
class CardCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(test::kInitap)) GTEST_SKIP() << test::kInitap << " is not built";
    for (DeviceTree* device : {&clean, &failed, &unreached}) test::MakeBootableDevice(*device);
    clean.WriteFile("FlashHd/only-here.txt", "x");
    unreached.WriteFile("FlashHd/only-here.txt", "x");
    unreached.RemoveFile("System/Main_Ap.exe");
    test::WriteHostFile(card.path() / "update.xml",
                        test::Description("<update_already>0</update_already>\n<update>\n"
                                          "<copy from=\"\\FlashHd\\only-here.txt\" to=\"\\FlashHd\\copy.txt\"/>\n"
                                          "</update>"));
  }
  std::vector<std::string> Devices() const {
    return {clean.Folder().string(), failed.Folder().string(), unreached.Folder().string()};
  }

  DeviceTree clean{"[device]\ntimezone = UTC\n"};
  DeviceTree failed{"[device]\ncodepage = 932\ntimezone = UTC\n"};
  DeviceTree unreached{"[device]\ntimezone = UTC\n"};
  test::TempFolder card;
  test::TempFolder out;
};

std::string Row(const ToolRun& run, const fs::path& device) {
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(device.string() + " ")) return line.substr(device.string().size());
  }
  return "(no row)";
}

// Each test case of a JUnit report: its name, then " failure" and " system-out" where it has them.
std::vector<std::string> JunitCases(const std::string& junit) {
  std::vector<std::string> cases;
  for (std::size_t at = junit.find("<testcase "); at != std::string::npos; at = junit.find("<testcase ", at + 1)) {
    const std::string one = junit.substr(at, junit.find("</testcase>", at) - at);
    const std::size_t name = one.find(" name=\"") + 7;
    cases.push_back(one.substr(name, one.find('"', name) - name) +
                    (one.find("<failure ") != std::string::npos ? " failure" : "") +
                    (one.find("<system-out>") != std::string::npos ? " system-out" : ""));
  }
  return cases;
}

TEST_F(CardCheckTest, PrintsARowADeviceAndExitsWithTheWorstVerdict) {
  const auto before = test::TreeSnapshot(failed.Folder());
  std::vector<std::string> arguments = {"check",
                                        "-j",
                                        "3",
                                        "--junit",
                                        (out.path() / "check.xml").string(),
                                        "--json",
                                        (out.path() / "check.json").string(),
                                        card.path().string()};
  for (const std::string& device : Devices()) arguments.push_back(device);
  const ToolRun run = CardTool(arguments);
  EXPECT_EQ(run.exitCode, 4) << run.out << run.err;
  EXPECT_EQ(Row(run, clean.Folder()).find_first_not_of(' '), Row(run, clean.Folder()).find("clean")) << run.out;
  EXPECT_NE(Row(run, failed.Folder()).find("errors       1       0         "), std::string::npos) << run.out;
  EXPECT_NE(Row(run, unreached.Folder()).find("not reached"), std::string::npos) << run.out;
  EXPECT_EQ(test::TreeSnapshot(failed.Folder()), before) << "a check changes no device";

  // JUnit: well-formed, one suite for the card, one case per device, the two with errors failing.
  const std::string junit = test::ReadHostFile(out.path() / "check.xml");
  platform::host::ParseProblem problem;
  EXPECT_TRUE(platform::host::ParseDocument(junit, &problem)) << problem.message << "\n" << junit;
  EXPECT_NE(junit.find("<testsuites name=\"initap-card check\" tests=\"3\" failures=\"2\" errors=\"0\">"),
            std::string::npos)
      << junit;
  const std::vector<std::string> cases = JunitCases(junit);
  EXPECT_EQ(cases, (std::vector<std::string>{clean.Folder().string(), failed.Folder().string() + " failure",
                                             unreached.Folder().string() + " failure system-out"}));

  // JSON: each device's outcome with its whole report.
  const auto json = ParseJson(test::ReadHostFile(out.path() / "check.json"));
  ASSERT_TRUE(json);
  std::vector<std::string> outcomes;
  for (const JsonValue& device : (*json)["devices"].Items()) {
    outcomes.push_back(device["outcome"].Text() + " " +
                       (device["report"]["reached_main_application"].Flag() ? "y" : "n"));
  }
  EXPECT_EQ(outcomes, (std::vector<std::string>{"clean y", "errors y", "not reached n"}));
}

TEST_F(CardCheckTest, TellsForEachDeviceWhetherItsVolumesMatchTheWantedTree) {
  test::WriteHostFile(out.path() / "wanted/FlashHd/only-here.txt", "x");
  test::WriteHostFile(out.path() / "wanted/FlashHd/copy.txt", "x");
  std::vector<std::string> arguments = {"check", "--expect", (out.path() / "wanted").string(), card.path().string()};
  for (const std::string& device : Devices()) arguments.push_back(device);
  const ToolRun run = CardTool(arguments);
  EXPECT_EQ(run.exitCode, 4) << run.out << run.err;
  // Outcome and errors begin a row, the tree ends it.
  const struct {
    const DeviceTree* device;
    const char* begins;
    const char* ends;
  } rows[] = {{&clean, "  clean        0 ", " matched"},
              {&failed, "  errors       3 ", " differs"},
              {&unreached, "  not reached  1 ", " matched"}};
  for (const auto& row : rows) {
    const std::string text = Row(run, row.device->Folder());
    EXPECT_TRUE(text.starts_with(row.begins) && text.ends_with(row.ends)) << run.out;
  }
}

TEST(CardCheckDemoTest, TheDemoCardOnThreeVariantsOfTheDemoDevice) {
  if (!fs::exists(test::kInitap)) GTEST_SKIP() << test::kInitap << " is not built";
  const fs::path demo = INITAP_SOURCE_DIR "/examples/demo-device";
  test::TempFolder work;
  fs::copy(demo / "root/sd card", work.path() / "card", fs::copy_options::recursive);
  std::vector<std::string> arguments = {"check", "--junit", (work.path() / "check.xml").string(),
                                        (work.path() / "card").string()};
  for (const char* variant : {"as-shipped", "code-page-932", "no-main-application"}) {
    const fs::path device = work.path() / variant;
    fs::copy(demo, device, fs::copy_options::recursive);
    arguments.push_back(device.string());
  }
  test::WriteHostFile(work.path() / "code-page-932/device.ini", "[device]\ncodepage = 932\ntimezone = UTC\n");
  fs::remove(work.path() / "no-main-application/root/System/Main_Ap.exe");
  const ToolRun run = CardTool(arguments);
  EXPECT_EQ(run.exitCode, 4) << run.out << run.err;
  const std::string junit = test::ReadHostFile(work.path() / "check.xml");
  platform::host::ParseProblem problem;
  EXPECT_TRUE(platform::host::ParseDocument(junit, &problem)) << problem.message << "\n" << junit;
  const std::vector<std::string> cases = JunitCases(junit);
  ASSERT_EQ(cases.size(), 3u) << junit;
  EXPECT_EQ(cases[0], (work.path() / "as-shipped").string()) << junit;
  EXPECT_EQ(cases[1], (work.path() / "code-page-932").string()) << junit;
  EXPECT_TRUE(cases[2].starts_with((work.path() / "no-main-application").string() + " failure")) << junit;
}

TEST_F(CardCheckTest, RefusesABadCommandLineInOneLineBeforeAnyRun) {
  const std::string device = clean.Folder().string(), cardFolder = card.path().string();
  const struct {
    std::vector<std::string> arguments;
    const char* said;
  } cases[] = {
      {{"check", cardFolder}, "one DEVICE or more"},
      {{"check", "-j", "0", cardFolder, device}, "-j takes a number"},
      {{"check", "-j", "2x", cardFolder, device}, "-j takes a number"},
      {{"check", cardFolder, card.path().string()}, "has no root/"},
      {{"check", (card.path() / "none").string(), device}, "does not exist"},
      {{"check", "--junit", (card.path() / "none/j.xml").string(), cardFolder, device}, "--junit folder"},
      {{"check", "--expect", (card.path() / "none").string(), cardFolder, device}, "--expect folder"},
  };
  for (const auto& c : cases) {
    const ToolRun run = CardTool(c.arguments);
    EXPECT_EQ(run.exitCode, 2) << c.said;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << c.said;
  }
}

}  // namespace
}  // namespace initap::card
