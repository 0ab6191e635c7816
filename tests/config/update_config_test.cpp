#include "config/update_config.h"

#include <gtest/gtest.h>

#include <string>

#include "app/init_ap.h"
#include "platform/common/path_limits.h"
#include "platform/host/xml/host_xml.h"
#include "tests/support/faulty_files.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

constexpr wchar_t kPath[] = L"\\sd card\\update.xml";

constexpr char kFullDescription[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<update_info version="3">
  <launch>\FlashHd\Nav\Nav.exe</launch>
  <logo>logo/boot.bmp</logo>
  <zanty>\sd card\force.txt</zanty>
  <filename_rect>0,0,240,20</filename_rect>
  <progress_rect>5, 300, 235, 330</progress_rect>
  <filename_color>65280</filename_color>
  <progress_color>255</progress_color>
  <update_already>0</update_already>
  <logo_showtime>3</logo_showtime>
  <exit_showtime>2</exit_showtime>
  <update>
    <copy from="files\" to="\FlashHd\Nav\"/>
    <!-- the old map -->
    <delete path="\FlashHd\old.map"/>
    <Copy from="a.txt" to="\FlashHd\a.txt" Extra="kept"/>
  </update>
  <launch>\ignored.exe</launch>
</update_info>
)";

// The configuration fields of the record, for comparing whole records.
struct Fields {
  std::wstring launch, logo, zanty;
  platform::Rect filenameRect, progressRect;
  platform::ColorRef filenameColor, progressColor;
  std::int32_t updateAlready;
  std::uint32_t logoShowTime, exitShowTime;
  friend bool operator==(const Fields&, const Fields&) = default;
};

void PrintTo(const Fields& f, std::ostream* out) {
  *out << ::testing::PrintToString(f.launch) << " " << ::testing::PrintToString(f.logo) << " "
       << ::testing::PrintToString(f.zanty) << " rects " << f.filenameRect.left << "," << f.filenameRect.top << ","
       << f.filenameRect.right << "," << f.filenameRect.bottom << " " << f.progressRect.left << ","
       << f.progressRect.top << "," << f.progressRect.right << "," << f.progressRect.bottom << " colours "
       << f.filenameColor << " " << f.progressColor << " applied " << f.updateAlready << " times " << f.logoShowTime
       << " " << f.exitShowTime;
}

Fields FieldsOf(const Init_AP& app) {
  return {app.launchPath,    app.logoPath,      app.zantyPath,     app.filenameRect, app.progressRect,
          app.filenameColor, app.progressColor, app.updateAlready, app.logoShowTime, app.exitShowTime};
}

class UpdateConfigTest : public ::testing::Test {
 protected:
  void Write(const std::string& xml) { device.WriteFile("sd card/update.xml", xml); }
  // A description whose root holds `elements`.
  void WriteElements(const std::string& elements) { Write("<update_info>" + elements + "</update_info>"); }

  test::TestDevice device;
  Init_AP app{device.Services()};
  const Fields defaults = (app.SetDefaults(), FieldsOf(app));
};

TEST_F(UpdateConfigTest, ReadsEveryConfigurationElementAndTheFirstOfTwo) {
  Write(kFullDescription);
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(FieldsOf(app), (Fields{.launch = L"\\FlashHd\\Nav\\Nav.exe",
                                   .logo = L"logo/boot.bmp",
                                   .zanty = L"\\sd card\\force.txt",
                                   .filenameRect = platform::Rect{0, 0, 240, 20},
                                   .progressRect = platform::Rect{5, 300, 235, 330},
                                   .filenameColor = 65280u,
                                   .progressColor = 255u,
                                   .updateAlready = 0,
                                   .logoShowTime = 3u,
                                   .exitShowTime = 2u}));
}

TEST_F(UpdateConfigTest, AConfigurationOnlyOrUpdateOnlyFileKeepsTheDefaults) {
  WriteElements("<update><copy from=\"a\" to=\"b\"/></update>");
  EXPECT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(FieldsOf(app), defaults);
  // Element names match with case: these are not configuration elements.
  WriteElements("<Launch>\\x.exe</Launch><LOGO></LOGO><Update_Already>1</Update_Already>");
  EXPECT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(FieldsOf(app), defaults);
}

TEST_F(UpdateConfigTest, EmptyPathElementsEmptyTheFieldEmptyNumbersKeepIt) {
  WriteElements(
      "<logo></logo><launch/><filename_rect></filename_rect><filename_color/><update_already></update_already>"
      "<logo_showtime>  </logo_showtime>");
  EXPECT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(app.logoPath, L"");
  EXPECT_EQ(app.launchPath, L"");
  EXPECT_EQ(app.zantyPath, defaults.zanty);
  EXPECT_EQ(app.filenameRect, defaults.filenameRect);
  EXPECT_EQ(app.filenameColor, defaults.filenameColor);
  EXPECT_EQ(app.updateAlready, 0);
  EXPECT_EQ(app.logoShowTime, 0u);
}

TEST_F(UpdateConfigTest, NumbersFollowTheDecimalRule) {
  for (const auto& [text, expected] : std::vector<std::pair<std::string, std::int32_t>>{
           {"1", 1}, {"2", 2}, {"-1", -1}, {"0", 0}, {"yes", 0}, {"0x1", 0}, {" 7 ", 7}, {"99999999999", 2147483647}}) {
    app.updateAlready = 42;
    WriteElements("<update_already>" + text + "</update_already><filename_color>" + text + "</filename_color>");
    ASSERT_EQ(ReadConfig(app, kPath), 1);
    EXPECT_EQ(app.updateAlready, expected) << text;
    EXPECT_EQ(app.filenameColor, static_cast<platform::ColorRef>(expected)) << text;
  }
  // Times are stored as read, a negative one included.
  WriteElements("<logo_showtime>-1</logo_showtime><exit_showtime>+10</exit_showtime>");
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(app.logoShowTime, 0xFFFFFFFFu);
  EXPECT_EQ(app.exitShowTime, 10u);
}

TEST_F(UpdateConfigTest, OverLongPathsEmptyTheFieldOtherValuesKeepIt) {
  const std::string longest(platform::kLongestPath, 'a');
  WriteElements("<launch>\\" + std::string(platform::kLongestPath, 'x') + "</launch><logo>" + longest +
                "</logo><progress_rect>1," + std::string(98, '2') +
                "</progress_rect><filename_rect>1,2,3</filename_rect><progress_color>" + std::string(99, '1') +
                "</progress_color><filename_color>" + "7" + std::string(98, ' ') + "x" + "</filename_color>");
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  // A path that cannot be taken names nothing, never the default.
  EXPECT_EQ(app.launchPath, L"");
  EXPECT_EQ(app.logoPath, std::wstring(259, L'a'));
  EXPECT_EQ(app.progressRect, defaults.progressRect);
  EXPECT_EQ(app.filenameRect, defaults.filenameRect);
  EXPECT_EQ(app.progressColor, 2147483647u);
  EXPECT_EQ(app.filenameColor, defaults.filenameColor);
}

TEST_F(UpdateConfigTest, UnreadableFilesChangeNothing) {
  EXPECT_EQ(ReadConfig(app, kPath), 0);
  EXPECT_EQ(ReadConfig(app, L""), 0);
  for (const std::string& broken : {std::string("<update_info><launch>\\x.exe</launch>"),
                                    std::string("<update_info><launch>&undefined;</launch></update_info>"),
                                    std::string("<a><launch>\\x.exe</launch></a><b/>"), std::string("\xFF\xFE<")}) {
    Write(broken);
    EXPECT_EQ(ReadConfig(app, kPath), 0) << broken;
    EXPECT_EQ(FieldsOf(app), defaults);
  }
}

TEST_F(UpdateConfigTest, ReadsUtf16AndLegacyEncodings) {
  std::string utf16 = "\xFF\xFE";
  for (wchar_t c : std::wstring(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r><launch>\\Stra\u00DFe\\\u65E5.exe"
                                L"</launch><exit_showtime>4</exit_showtime></r>")) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  Write(utf16);
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(app.launchPath, L"\\Stra\u00DFe\\\u65E5.exe");
  EXPECT_EQ(app.exitShowTime, 4u);

  Write("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><logo>\\caf\xE9.bmp</logo></r>");
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(app.logoPath, L"\\caf\u00E9.bmp");
  Write("<?xml version=\"1.0\" encoding=\"GBK\"?><r><zanty>\\\xD6\xD0.txt</zanty></r>");
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(app.zantyPath, L"\\\u4E2D.txt");
}

// Everything in the document but the text of "update_already", node by node.
std::wstring Content(const platform::XmlNode& node) {
  std::wstring out = node.NodeName() + L"{";
  for (const wchar_t* name : {L"version", L"from", L"to", L"path", L"Extra"}) {
    std::wstring value;
    if (node.GetAttribute(name, value)) out += std::wstring(name) + L"=" + value + L";";
  }
  for (const auto& child : node.ChildNodes()) {
    if (child->NodeName()[0] != L'#') {
      out += Content(*child);
    } else if (node.NodeName() != L"update_already") {
      out += child->NodeName() + L":" + child->Text() + L";";
    }
  }
  return out + L"}";
}

TEST_F(UpdateConfigTest, MarkThenReadAgainGivesUpdateAlreadyAndKeepsTheRest) {
  Write(kFullDescription);
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  Fields expected = FieldsOf(app);
  expected.updateAlready = 1;
  auto before = device.Services().xml.Load(kPath);
  ASSERT_TRUE(before);

  ASSERT_EQ(MarkUpdateApplied(app, kPath), 1);
  auto after = device.Services().xml.Load(kPath);
  ASSERT_TRUE(after);
  EXPECT_EQ(Content(*after->DocumentElement()), Content(*before->DocumentElement()));
  EXPECT_EQ(after->DocumentElement()->SelectSingleNode(L"update_already")->Text(), L"1");
  EXPECT_TRUE(device.ReadFile("sd card/update.xml").starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
  Init_AP again{device.Services()};
  again.SetDefaults();
  ASSERT_EQ(ReadConfig(again, kPath), 1);
  EXPECT_EQ(FieldsOf(again), expected);

  // Only the first "update_already" carries the mark.
  Write("<r><update_already>0</update_already><update_already>0</update_already></r>");
  ASSERT_EQ(MarkUpdateApplied(app, kPath), 1);
  const auto marks = device.Services().xml.Load(kPath)->DocumentElement()->SelectNodes(L"update_already");
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[0]->Text(), L"1");
  EXPECT_EQ(marks[1]->Text(), L"0");
}

TEST_F(UpdateConfigTest, MarkWithoutTheElementSavesUnmarked) {
  WriteElements("<launch>\\a.exe</launch>");
  ASSERT_EQ(MarkUpdateApplied(app, kPath), 1);
  ASSERT_EQ(ReadConfig(app, kPath), 1);
  EXPECT_EQ(app.updateAlready, 0);
  EXPECT_EQ(app.launchPath, L"\\a.exe");
  EXPECT_EQ(MarkUpdateApplied(app, L"\\sd card\\none.xml"), 0);
  EXPECT_EQ(MarkUpdateApplied(app, L""), 0);
}

TEST_F(UpdateConfigTest, FailedSaveLeavesTheFileAsItWas) {
  Write(kFullDescription);
  const platform::Platform& real = device.Services();
  test::FaultyFiles files(real.files);
  platform::host::HostXml xml(files);
  platform::Platform failing{real.kernel, files,    real.windows, real.graphics, xml,
                             real.shell,  real.gps, real.disks,   real.registry, real.codePage};
  Init_AP failingApp{failing};
  files.failReplace = true;
  EXPECT_EQ(MarkUpdateApplied(failingApp, kPath), 0);
  EXPECT_EQ(device.ReadFile("sd card/update.xml"), kFullDescription);
  files.failReplace = false;
  EXPECT_EQ(MarkUpdateApplied(failingApp, kPath), 1);
  EXPECT_NE(device.ReadFile("sd card/update.xml"), kFullDescription);
}

}  // namespace
}  // namespace initap
