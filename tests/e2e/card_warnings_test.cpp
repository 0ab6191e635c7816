// What a card maker is warned of: each warning names the step by its line
// in update.xml, goes to standard error and never to the update log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>

#include "tests/e2e/device_boot.h"

namespace initap::test {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

struct Card {
  const char* name;
  const char* volume;  // where update.xml lies
  std::vector<std::pair<std::string, std::string>> files;
  std::string inner;  // its settings and list start on line 5
  std::string warning;
};

void PrintTo(const Card& card, std::ostream* out) { *out << card.name; }

class CardWarningTest : public BootTest, public ::testing::WithParamInterface<Card> {};

TEST_P(CardWarningTest, NamesTheStepAndWhatTheDeviceDoes) {
  const Card& card = GetParam();
  for (const auto& [path, content] : card.files) device.WriteFile(path, content);
  device.MakeFolder(card.volume);
  device.WriteFile(std::string(card.volume) + "/update.xml", Description(card.inner));

  const BootResult run = Boot(device.Folder(), {});
  EXPECT_THAT(run.output, HasSubstr("warning: " + card.warning + "\n"));
  for (const std::string& message : LogMessages(device)) EXPECT_THAT(message, Not(HasSubstr("warning")));
}

const std::string kLong(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    EachWarning, CardWarningTest,
    ::testing::Values(
        Card{"UnknownStep",
             "sd card",
             {},
             "<update>\n<cpy from=\"a\" to=\"\\FlashHd\\a\"/>\n</update>",
             "\\sd card\\update.xml:6: <cpy> is not a step the device knows; it is skipped."},
        Card{"UnknownSetting",
             "sd card",
             {},
             "<progress_colour>255</progress_colour>",
             "\\sd card\\update.xml:5: <progress_colour> is not read by the device; it is ignored."},
        Card{"SecondSetting",
             "sd card",
             {},
             "<logo_showtime>9</logo_showtime>",
             "\\sd card\\update.xml:5: <logo_showtime> appears again; only the first one counts, so this one is "
             "ignored."},
        Card{"UnreadAttribute",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"\\FlashHd\\a.txt\" form=\"x\"/>\n</update>",
             "\\sd card\\update.xml:6: form= is not an attribute the device reads on <copy>; it is ignored."},
        Card{"MissingAttribute",
             "sd card",
             {},
             "<update>\n<copy form=\"a.txt\" to=\"\\FlashHd\\a.txt\"/>\n</update>",
             "\\sd card\\update.xml:6: <copy> has no from= attribute, so the device skips it."},
        Card{"EmptyAttribute",
             "sd card",
             {},
             "<update>\n<delete path=\"\"/>\n</update>",
             "\\sd card\\update.xml:6: path= is empty, so the device skips this step."},
        Card{"LeadingSlash",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"/FlashHd/a.txt\"/>\n</update>",
             "\\sd card\\update.xml:6: to=\"/FlashHd/a.txt\" begins with \"/\", which does not make a path "
             "absolute, so it is taken relative to the description's folder: it names \\sd card\\FlashHd\\a.txt."},
        Card{"TrailingSlash",
             "sd card",
             {{"sd card/Music/a.mp3", "a"}},
             "<update>\n<copy from=\"Music/\" to=\"\\FlashHd\\Music/\"/>\n</update>",
             "\\sd card\\update.xml:6: to=\"\\FlashHd\\Music/\" ends with \"/\", which does not mark a folder "
             "here: the device takes it as a file name."},
        Card{"DriveLetter",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"C:\\FlashHd\\a.txt\"/>\n</update>",
             "\\sd card\\update.xml:6: to=\"C:\\FlashHd\\a.txt\" has a drive letter, which the device does not "
             "know, so it is taken as a relative path."},
        Card{"FolderOntoFile",
             "sd card",
             {{"sd card/Maps/m.bin", "m"}},
             "<update>\n<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\"/>\n</update>",
             "\\sd card\\update.xml:6: a folder cannot be copied onto a file name (to= does not end with \"\\\"), "
             "so nothing is copied."},
        Card{"IntoItself",
             "sd card",
             {{"FlashHd/A/x.bin", "x"}},
             "<update>\n<copy from=\"\\FlashHd\\A\\\" to=\"\\FlashHd\\A\\B\\\"/>\n</update>",
             "\\sd card\\update.xml:6: the destination lies inside the source folder, so nothing is copied."},
        Card{"OntoItselfInAVolumesTopFolder",
             "sd card",
             {{"FlashHd/x.bin", "x"}},
             "<update>\n<copy from=\"\\FlashHd\\x.bin\" to=\"\\flashhd\\X.BIN\"/>\n</update>",
             "\\sd card\\update.xml:6: the destination \\flashhd\\X.BIN is the source itself, so nothing is copied."},
        Card{
            "OntoItselfInASubfolder",
            "sd card",
            {{"FlashHd/A/x.bin", "x"}},
            "<update>\n<copy from=\"\\FlashHd\\A\\x.bin\" to=\"\\FlashHd\\A\\x.bin\"/>\n</update>",
            "\\sd card\\update.xml:6: the destination \\FlashHd\\A\\x.bin is the source itself, so nothing is copied."},
        Card{"MissingSource",
             "sd card",
             {},
             "<update>\n<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/>\n</update>",
             "\\sd card\\update.xml:6: the source \\sd card\\Maps\\ does not exist, so nothing is copied."},
        Card{"IntoTheRoot",
             "sd card",
             {{"sd card/a.txt", "a"}},
             "<update>\n<copy from=\"a.txt\" to=\"\\a.txt\"/>\n</update>",
             "\\sd card\\update.xml:6: to=\"\\a.txt\" lies directly in the root folder, outside every volume, "
             "where the device copies nothing."},
        Card{"OverLong",
             "sd card",
             {},
             "<update>\n<delete path=\"\\FlashHd\\" + kLong + "\"/>\n</update>",
             "\\sd card\\update.xml:6: path= is 309 characters long, longer than a device path can be, so the step "
             "does nothing."},
        Card{"Applied",
             "sd card",
             {},
             "<update_already>1</update_already>\n<update>\n<delete path=\"\\x\"/>\n</update>",
             "\\sd card\\update.xml:6: <update> is skipped: the description is marked as applied "
             "(<update_already>1</update_already>), so its 1 step is not carried out."},
        Card{"MassProduction",
             "sd card",
             {{"sd card/RV270_AP_UPDATE_MP.txt", ""}},
             "<update>\n<delete path=\"\\FlashHd\\x\"/>\n</update>",
             "\\sd card\\update.xml: the card holds \\sd card\\RV270_AP_UPDATE_MP.txt, so this description stays on "
             "it and every device the card goes into carries out its list."},
        Card{"MissingLaunchTarget",
             "sd card",
             {},
             "<launch>\\System\\Gone.exe</launch>\n<update/>",
             "\\sd card\\update.xml:5: \\System\\Gone.exe does not exist, so the device starts explorer instead."},
        Card{"RelativeOnStorageCard",
             "Storage Card",
             {},
             "<launch>Nav.exe</launch>",
             "\\Storage Card\\update.xml:5: <launch> \"Nav.exe\" is a relative path, which does not resolve "
             "from this description: the device finds no file by it."},
        Card{"ListOnStorageCard",
             "Storage Card",
             {},
             "<update>\n<delete path=\"\\x\"/>\n<delete path=\"\\y\"/>\n</update>",
             "\\Storage Card\\update.xml:5: <update> is not read from this description, so its 2 steps are not "
             "carried out."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BootTest, ACleanCardAndTheBootAfterItWarnOfNothing) {
  device.WriteFile("sd card/Maps/m.bin", "m");
  device.WriteFile("sd card/update.xml",
                   Description("<launch>../System/Main_Ap.exe</launch>\n<update_already>0</update_already>\n"
                               "<update>\n<copy from=\"Maps\\\" to=\"\\FlashHd\\Maps\\\"/>\n"
                               "<COPY from=\"Maps\\m.bin\" to=\"\\FlashHd\\\"/>\n<delete path=\"\\FlashHd\\old\\\"/>\n"
                               "<!-- a comment is no step -->\n</update>"));
  for (int boot = 0; boot < 2; ++boot) {
    const BootResult run = Boot(device.Folder(), {});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_THAT(run.output, Not(HasSubstr("warning:"))) << "boot " << boot;
  }
  EXPECT_TRUE(device.Exists("FlashHd/Maps/m.bin"));
}

TEST_F(BootTest, ADescriptionThatDoesNotLoadSaysWhereOnStandardErrorAndInDebugLog) {
  device.WriteFile("sd card/update.xml", "<config>\n  <launch>x</lunch>\n</config>\n");

  const BootResult run = Boot(device.Folder(), {});
  const std::string where = "\\\\sd card\\\\update\\.xml:2";
  EXPECT_THAT(run.output, ContainsRegex("warning: " + where +
                                        ": column [0-9]+: Opening and ending tag mismatch: "
                                        "launch line 2 and lunch; the device cannot load this file\\."));
  EXPECT_THAT(device.ReadDeviceFile("debug.log"),
              ContainsRegex(where + ":[0-9]+: does not load: Opening and ending tag mismatch"));
  EXPECT_EQ(LogMessages(device), (std::vector<std::string>{"load xml file \\sd card\\update.xml error.",
                                                           "no update and config file, goto wince.",
                                                           "\\System\\Main_Ap.exe launch success."}));
}

}  // namespace
}  // namespace initap::test
