// A dry run tells what the boot of the same device does: the cases a card
// maker's mistakes lead to, and random devices and cards from fixed seeds.
// INITAP_TRUTH_SEEDS=N runs N seeds (from INITAP_TRUTH_FIRST_SEED) instead
// of the 300 of every run; INITAP_TRUTH_CASE_TWINS=1 also gives a folder
// two names that are equal without regard to letter case, as 100 more
// seeds of every run do.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/device_boot.h"
#include "tests/e2e/truth/dry_and_real.h"
#include "tests/e2e/truth/random_card.h"

namespace initap::test {
namespace {

using Kind = CardEntry::Kind;

constexpr std::uint32_t kSeedsEveryRun = 300;
// Cards with case twins, from seeds the others do not reach in a run.
constexpr std::uint32_t kTwinSeedsFrom = 100'000;
constexpr std::uint32_t kTwinSeedsEveryRun = 100;
// Boots mostly wait for the device to come to rest, so several run at once.
constexpr unsigned kBootsAtOnce = 6;

std::uint32_t Setting(const char* name, std::uint32_t otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10)) : otherwise;
}

RandomCard Card(std::vector<CardEntry> entries, const std::string& descriptionPath, const std::string& inner) {
  return {std::move(entries), descriptionPath, Description(inner)};
}
std::string Steps(const std::string& steps) {
  return "<update_already>0</update_already>\n<update>\n" + steps + "\n</update>";
}

struct KnownCase {
  const char* what;
  RandomCard card;
  std::vector<std::string> told = {};  // texts of the report or the summary
};

void PrintTo(const KnownCase& known, std::ostream* out) { *out << known.what; }

const CardEntry kMapFile = {Kind::File, "Windows/maps/noext", "1234567"};
const CardEntry kFlashFile = {Kind::File, "FlashHd/x.txt", "x"};

const KnownCase kKnownCases[] = {
    {"a folder copied to where a file is", Card({kFlashFile, kMapFile}, "sd card/update.xml",
                                                Steps(R"(<copy from="\Windows\maps\" to="\FlashHd\x.txt\"/>)"))},
    {"a missing folder copied to where a file is",
     Card({kFlashFile}, "sd card/update.xml", Steps(R"(<copy from="\FlashHd\nodir\" to="\FlashHd\x.txt\"/>)"))},
    {"a folder copied to where a file is, named through ..",
     Card({kFlashFile, kMapFile}, "sd card/update.xml",
          Steps(R"(<copy from="\Windows\maps\" to="\FlashHd\x.txt\..\x.txt\"/>)"))},
    {"a folder deleted that holds a link to the card",
     Card({{Kind::Link, "System/link to sd card", "../sd card"}}, "sd card/update.xml",
          Steps(R"(<delete path="\System\"/>)"))},
    {"a link to its own folder deleted as a folder",
     Card({{Kind::Link, "FlashHd/link to FlashHd", "../FlashHd"}}, "FlashHd/update.xml",
          Steps(R"(<delete path="link to FlashHd\"/>)"))},
    {"a folder deleted through a link back to it, past the path limit",
     Card({{Kind::File, "FlashHd/A/noext", "waiz"},
           {Kind::Link, "FlashHd/A/link to nothing", "x.txt"},
           {Kind::Link, "FlashHd/A/link", ".."}},
          "sd card/update.xml", Steps(R"(<delete path="\FlaShHD\a\"/>)"))},
    {"a volume's folder deleted through a link to the root",
     Card({{Kind::Link, "sd card/link", ".."}}, "FlashHd/update.xml",
          Steps(R"(<delete path="\sd card\link\Windows\"/>)")),
     {"\"folders_removed\": [\"\\\\Windows\\\\Desktop\"]"}},
    {"a file copied through a link onto itself",
     Card({kFlashFile, {Kind::Link, "FlashHd/link to FlashHd", "../FlashHd"}}, "sd card/update.xml",
          Steps(R"(<copy from="\FlashHd\x.txt" to="\FlashHd\link to FlashHd\x.txt"/>)"))},
    {"a folder copied from a link that leads nowhere",
     Card({{Kind::Link, "Windows/NEW.BIN", "missing"}}, "sd card/update.xml",
          Steps(R"(<copy from="\Windows\NEW.BIN\" to="\Windows\NEW.BIN\NEW.BIN\"/>)"))},
    {"a link deleted with its folder",
     Card({{Kind::Link, "FlashHd/d/link", "missing"}, {Kind::File, "FlashHd/d/a.txt", "a"}}, "sd card/update.xml",
          Steps(R"(<delete path="\FlashHd\d\"/>)"))},
    {"a folder deleted that holds names equal without letter case",
     Card({{Kind::File, "FlashHd/d/a.txt", "a"}, {Kind::File, "FlashHd/d/A.TXT", "A"}}, "sd card/update.xml",
          Steps(R"(<delete path="\FlashHd\d\"/>)")),
     // The device sees one of them; the other keeps the folder on the PC.
     {R"("files_deleted": ["\\FlashHd\\d\\A.TXT", )", R"("status": "partial")"}},
    {"a file copied to the name of a hidden twin once the one the device saw is gone",
     Card({kFlashFile, {Kind::File, "FlashHd/d/noext", "hidden"}, {Kind::File, "FlashHd/d/NOEXT", "seen"}},
          "sd card/update.xml",
          Steps(R"(<delete path="\FlashHd\d\noext"/><copy from="\FlashHd\x.txt" to="\FlashHd\d\noext"/>)")),
     // The PC keeps the other one under that name, out of the device's sight.
     {R"("files_deleted": ["\\FlashHd\\d\\NOEXT", )", R"("copied": [], )"}},
    {"a file copied through a link beside a name equal to it without letter case",
     Card({{Kind::File, "System/d/Maps", "c"},
           {Kind::File, "System/d/mAPS", "twin"},
           {Kind::Link, "System/d/link", "."}},
          "sd card/update.xml", Steps(R"(<copy from="\System\d\link\Maps" to="\Windows\Maps"/>)")),
     // Told by the path asked, as the host tells it, not by where the link led.
     {R"("text": "\\System\\d\\link\\mAPS is not there for the device)"}},
    {"a description without a list, marked applied",
     Card({}, "sd card/update.xml", "<update_already>1</update_already>"),
     {"already update.", "\"reached_main_application\": true"}},
    {"a description without a mark",
     Card({kFlashFile}, "sd card/update.xml", R"(<update><delete path="\FlashHd\x.txt"/></update>)"),
     {"\"marked\": [],\n    \"saved_unmarked\": [\"\\\\sd card\\\\update.xml\"]",
      "initap: description saved unmarked, without update_already, so the next boot carries it out again: "
      "\\sd card\\update.xml"}},
    {"paths in the letter case of the step and through ..",
     Card({kFlashFile}, "sd card/update.xml",
          Steps(R"(<copy from="\sd card\..\sd card\UPDATE.XML" to="\FlasHhd\copy.xml"/>)"
                R"(<delete path="\FLASHHD\X.TXT"/>)")),
     {"\"files_added\": [\"\\\\FlashHd\\\\copy.xml\"", "\"files_deleted\": [\"\\\\FlashHd\\\\x.txt\"",
      // The step entry keeps the text beside the path it led to.
      R"("attributes": {"from": "\\sd card\\..\\sd card\\UPDATE.XML", "to": "\\FlasHhd\\copy.xml"}, )"
      R"("resolved": {"from": "\\sd card\\update.xml", "to": "\\FlashHd\\copy.xml"})",
      R"("copied": ["\\FlashHd\\copy.xml"])", R"("deleted": ["\\FlashHd\\x.txt"])"}},
    {"a file copied onto itself in a volume's top folder",
     Card({kFlashFile}, "sd card/update.xml", Steps(R"(<copy from="\FlashHd\x.txt" to="\FlashHd\x.txt"/>)"))},
    {"a file copied onto itself in a subfolder",
     Card({{Kind::File, "FlashHd/d/x.txt", "x"}}, "sd card/update.xml",
          Steps(R"(<copy from="\FlashHd\d\x.txt" to="\FlashHd\d\x.txt"/>)"))},
};

class DryRunTruthTest : public BootTest {};

class KnownCaseTest : public DryRunTruthTest, public ::testing::WithParamInterface<KnownCase> {};

TEST_P(KnownCaseTest, TellsWhatTheBootDoes) {
  GetParam().card.WriteInto(device);
  const DryAndReal runs = BootDryAndReal(device);
  for (const std::string& difference : runs.differences) ADD_FAILURE() << difference;
  for (const std::string& text : GetParam().told) {
    const std::string told = runs.log + runs.report + runs.summary;
    EXPECT_NE(told.find(text), std::string::npos) << text << "\n" << told;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, KnownCaseTest, ::testing::ValuesIn(kKnownCases));

TEST_F(DryRunTruthTest, ALinkToAMountedCardsVolumeLeadsNowhere) {
  // The PC would follow the link into root/'s own "sd card", which the device does not see.
  device.WriteFile("sd card/only on the PC.txt", "pc");
  std::filesystem::create_directories(device.Host("FlashHd"));
  std::filesystem::create_symlink("/sd card", device.Host("FlashHd/link"));
  device.WriteDeviceFile("card/on the card.txt", "card");
  device.WriteDeviceFile("card/update.xml", Description(Steps(R"(<copy from="\FlashHd\link\" to="\Windows\got\"/>)")));
  const DryAndReal runs = BootDryAndReal(device, "card");
  for (const std::string& difference : runs.differences) ADD_FAILURE() << difference;
  EXPECT_EQ(runs.report.find("got\\\\on"), std::string::npos) << runs.report;  // neither file
  EXPECT_NE(runs.report.find(R"("copied": [], )"), std::string::npos) << runs.report;
}

// The seeds' cards that the dry run told wrongly, each with its card and what differed.
std::vector<std::string> SeedsToldWrongly(std::uint32_t first, std::uint32_t count, const CardChoices& choices) {
  std::atomic<std::uint32_t> next = first;
  std::mutex lock;
  std::vector<std::string> failures;
  std::vector<std::thread> runners;
  for (unsigned i = 0; i < kBootsAtOnce; ++i) {
    runners.emplace_back([&] {
      for (std::uint32_t seed; (seed = next++) < first + count;) {
        const RandomCard card = MakeRandomCard(seed, choices);
        DeviceTree device{"[device]\ntimezone = UTC\n"};
        MakeBootableDevice(device);
        card.WriteInto(device);
        const std::vector<std::string> differences = BootDryAndReal(device).differences;
        if (differences.empty()) continue;
        std::string failure = "seed " + std::to_string(seed) + ":\n" + card.Describe();
        for (const std::string& difference : differences) failure += difference + "\n";
        std::lock_guard guard(lock);
        failures.push_back(std::move(failure));
      }
    });
  }
  for (std::thread& runner : runners) runner.join();
  return failures;
}

TEST(RandomCardTest, TellsWhatTheBootDoesForEverySeed) {
  if (!std::filesystem::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
  const std::uint32_t first = Setting("INITAP_TRUTH_FIRST_SEED", 1);
  const std::uint32_t count = Setting("INITAP_TRUTH_SEEDS", kSeedsEveryRun);
  const std::vector<std::string> failures =
      SeedsToldWrongly(first, count, CardChoices{Setting("INITAP_TRUTH_CASE_TWINS", 0) != 0});
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
  EXPECT_EQ(failures.size(), 0u) << "of " << count << " seeds from " << first;
}

TEST(RandomCardTest, TellsWhatTheBootDoesWithCaseTwins) {
  if (!std::filesystem::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
  // Seeds of their own, so that the cards without twins stay as they were.
  const std::vector<std::string> failures = SeedsToldWrongly(kTwinSeedsFrom, kTwinSeedsEveryRun, CardChoices{true});
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
  EXPECT_EQ(failures.size(), 0u);
}

}  // namespace
}  // namespace initap::test
