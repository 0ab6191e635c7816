// The worker: which descriptions it carries out, the one message of each
// run, the log lines, and that its XML objects outlive the message.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/common/update_descriptions.h"
#include "tests/update/engine_test.h"
#include "update/update_worker.h"

namespace initap::test {
namespace {

using platform::kSourceFlash;
using platform::kSourceNone;
using platform::kSourceStorageCard;
using platform::kSourceSystem;

// The worker's first line when it takes the SD card's description.
constexpr char kFoundOnCard[] = "found update file \\sd card\\update.xml.";

class UpdateWorker : public EngineTest {
 protected:
  // Runs the worker on this thread; every run posts exactly one message, which is returned.
  static std::uint32_t Run(EngineDevice& device) {
    EXPECT_EQ(UpdateThreadProc(device.app), 0u);
    EXPECT_EQ(device.windows.messages.size(), 1u);
    return device.windows.messages.empty() ? 0 : device.windows.messages.front();
  }
  void Describe(const std::string& updateList, std::wstring_view where = L"\\sd card\\update.xml") {
    dev.Write(where,
              "<?xml version=\"1.0\"?>\n<config>\n  <logo_showtime>0</logo_showtime>\n" + updateList + "\n</config>\n");
  }
  // The SD card's list that deletes \FlashHd\old.bin, which is there, marked as applied.
  void DescribeAppliedDelete() {
    Describe("<update><delete path=\"\\FlashHd\\old.bin\"/></update>");
    dev.Write(L"\\FlashHd\\old.bin", "o");
    dev.app.updateAlready = 1;
  }
};

TEST_F(UpdateWorker, OnlyTheSdCardsAndTheFlashVolumesDescriptionsAreCarriedOut) {
  struct Case {
    std::int32_t source;
    std::uint32_t message;
    const char* line;
  };
  for (const Case& c : {Case{kSourceSystem, UM_NO_UPDATE, "no update file, read config file and goto wince."},
                        Case{kSourceStorageCard, UM_NO_UPDATE, "no update and config file, goto wince."},
                        Case{kSourceNone, UM_NO_UPDATE, "no update and config file, goto wince."},
                        Case{7, UM_NO_UPDATE, "no update and config file, goto wince."}}) {
    SCOPED_TRACE(c.source);
    EngineDevice fresh;
    const std::string list = "<update><delete path=\"\\FlashHd\\victim.txt\"/></update>";
    for (const platform::UpdateDescription& description : platform::kUpdateDescriptions) {
      fresh.Write(description.path, "<config>" + list + "</config>");
    }
    fresh.Write(L"\\FlashHd\\victim.txt", "v");
    fresh.app.updateSource = c.source;
    EXPECT_EQ(Run(fresh), c.message);
    EXPECT_THAT(fresh.LogLines(), ElementsAre(c.line));
    EXPECT_TRUE(fresh.Exists(L"\\FlashHd\\victim.txt"));
    EXPECT_THAT(fresh.journal, ElementsAre("post " + std::to_string(c.message)));  // nothing loaded
  }
}

TEST_F(UpdateWorker, ListIsWalkedInOrderAndTheDocumentReleasedAfterTheMessage) {
  dev.app.updateSource = kSourceFlash;
  Describe(
      "<update>\n"
      "  <copy from=\"\\FlashHd\\new.txt\" to=\"\\System\\new.txt\"/>\n"
      "  <!-- a comment -->\n"
      "  <DELETE path=\"\\System\\new.txt\"/>\n"
      "  <Copy from=\"\\FlashHd\\new.txt\" to=\"\\Windows\\\"><delete path=\"\\FlashHd\\new.txt\"/></Copy>\n"
      "  <move from=\"\\FlashHd\\new.txt\" to=\"\\System\\moved.txt\"/>\n"
      "</update>",
      L"\\FlashHd\\update.xml");
  dev.Write(L"\\FlashHd\\new.txt", "n");

  EXPECT_EQ(Run(dev), UM_UPDATE_DONE);
  EXPECT_THAT(dev.LogLines(), ElementsAre("found update file \\FlashHd\\update.xml.", "1 files has been copied.",
                                          "1 files has been deleted.", "1 files has been copied."));
  EXPECT_FALSE(dev.Exists(L"\\System\\new.txt"));
  EXPECT_TRUE(dev.Exists(L"\\Windows\\new.txt"));
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\new.txt"));  // nested in a step: not visited
  EXPECT_FALSE(dev.Exists(L"\\System\\moved.txt"));
  EXPECT_THAT(dev.journal, ElementsAre("post " + std::to_string(UM_UPDATE_DONE), "release document"));
}

TEST_F(UpdateWorker, FailedElementDoesNotStopTheWalk) {
  Describe(
      "<update><copy from=\"\\sd card\\missing.bin\" to=\"\\FlashHd\\missing.bin\"/>"
      "<delete path=\"\\FlashHd\\old.bin\"/></update>");
  dev.Write(L"\\FlashHd\\old.bin", "o");
  EXPECT_EQ(Run(dev), UM_UPDATE_DONE);
  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\old.bin"));
  EXPECT_THAT(dev.LogLines(), ElementsAre(kFoundOnCard, "0 files has been copied.", "1 files has been deleted."));
}

TEST_F(UpdateWorker, ForceUpdateMarkerOverridesTheAppliedFlag) {
  DescribeAppliedDelete();
  // A relative marker path starts from the description's folder.
  dev.app.zantyPath = L"Force/marker.txt";
  dev.Write(L"\\sd card\\Force\\marker.txt", "");
  EXPECT_EQ(Run(dev), UM_UPDATE_DONE);
  EXPECT_THAT(dev.LogLines(), ElementsAre(kFoundOnCard, "zanty file exist.", "1 files has been deleted."));
}

TEST_F(UpdateWorker, AppliedListIsNotLoadedAgain) {
  DescribeAppliedDelete();
  EXPECT_EQ(Run(dev), UM_ALREADY_UPDATED);
  EXPECT_THAT(dev.LogLines(), ElementsAre(kFoundOnCard, "already update."));
  EXPECT_TRUE(dev.Exists(L"\\FlashHd\\old.bin"));
  EXPECT_THAT(dev.journal, ElementsAre("post " + std::to_string(UM_ALREADY_UPDATED)));
  // Without a marker and without the flag the list goes ahead silently.
  EngineDevice fresh;
  fresh.Write(L"\\sd card\\update.xml", "<c><update><delete path=\"\\FlashHd\\old.bin\"/></update></c>");
  fresh.Write(L"\\FlashHd\\old.bin", "o");
  EXPECT_EQ(Run(fresh), UM_UPDATE_DONE);
  EXPECT_THAT(fresh.LogLines(), ElementsAre(kFoundOnCard, "1 files has been deleted."));
}

TEST_F(UpdateWorker, DescriptionThatCannotServeIsAnError) {
  struct Case {
    const char* what;
    const char* content;  // none: the file is gone
  };
  for (const Case& c : {Case{"gone", nullptr}, Case{"malformed", "<config><update></config>"},
                        Case{"configuration only", "<config><logo_showtime>3</logo_showtime></config>"},
                        Case{"update nested deeper", "<config><x><update><delete path=\"\\a\"/></update></x></config>"},
                        Case{"Update in another case", "<config><Update><delete path=\"\\a\"/></Update></config>"}}) {
    SCOPED_TRACE(c.what);
    EngineDevice fresh;
    if (c.content != nullptr) fresh.Write(L"\\sd card\\update.xml", c.content);
    EXPECT_EQ(Run(fresh), UM_UPDATE_ERROR);
    EXPECT_THAT(fresh.LogLines(), ElementsAre(kFoundOnCard));
  }
}

TEST_F(UpdateWorker, EmptyListIsNothingToDo) {
  for (const char* list : {"<update/>", "<update></update>", "<update>   \n  </update>"}) {
    SCOPED_TRACE(list);
    EngineDevice fresh;
    fresh.Write(L"\\sd card\\update.xml", std::string("<config>") + list + "</config>");
    EXPECT_EQ(Run(fresh), UM_NO_UPDATE);
    EXPECT_THAT(fresh.LogLines(), ElementsAre(kFoundOnCard, "update list is 0."));
    EXPECT_THAT(fresh.journal, ElementsAre("post " + std::to_string(UM_NO_UPDATE), "release document"));
  }
}

TEST_F(UpdateWorker, ListOfOtherNodesOnlyDoesNothing) {
  Describe("<update><!-- none --><note>copy</note>text</update>");
  EXPECT_EQ(Run(dev), UM_UPDATE_DONE);
  EXPECT_THAT(dev.LogLines(), ElementsAre(kFoundOnCard));
  EXPECT_THAT(dev.windows.paints, IsEmpty());
}

TEST_F(UpdateWorker, HostileDescriptionTouchesNothingOutsideTheDevice) {
  // Beside root/, where no device path may lead.
  const std::filesystem::path outside = dev.device.Folder() / "outside";
  std::filesystem::create_directories(outside / "tree");
  std::ofstream(outside / "victim.txt") << "keep";
  std::ofstream(outside / "tree" / "leaf.txt") << "keep";
  std::filesystem::create_directory_symlink(outside, dev.Host(L"\\sd card\\out"));
  std::filesystem::create_directory_symlink("../../outside", dev.Host(L"\\sd card\\up"));
  const std::string longName(300, 'x');
  Describe(
      "<update>"
      "<delete path=\"..\\..\\..\\..\\outside\\victim.txt\"/>"
      "<delete path=\"../../../../outside/tree/\"/>"
      "<delete path=\"\\..\\..\\outside\\victim.txt\"/>"
      "<delete path=\"\\sd card\\out\\victim.txt\"/>"
      "<delete path=\"\\sd card\\up\\tree\\\"/>"
      "<copy from=\"\\sd card\\up\\victim.txt\" to=\"\\FlashHd\\got.txt\"/>"
      "<copy from=\"\\FlashHd\\updatelog.txt\" to=\"\\sd card\\out\\planted.txt\"/>"
      "<copy from=\"\\FlashHd\\updatelog.txt\" to=\"..\\..\\..\\outside\\\"/>"
      "<delete path=\"\\sd card\\" +
      longName + "\\\"/>" + "<copy from=\"\\FlashHd\\updatelog.txt\" to=\"\\sd card\\" + longName +
      "\"/>"
      "</update>");

  EXPECT_EQ(Run(dev), UM_UPDATE_DONE);

  std::ifstream victim(outside / "victim.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "keep");
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(outside)) {
    left.push_back(std::filesystem::relative(entry.path(), outside).generic_string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_THAT(left, ElementsAre("tree", "tree/leaf.txt", "victim.txt"));
  EXPECT_FALSE(dev.Exists(L"\\FlashHd\\got.txt") && dev.Read(L"\\FlashHd\\got.txt") == "keep");
}

}  // namespace
}  // namespace initap::test
