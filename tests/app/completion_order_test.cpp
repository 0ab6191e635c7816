// What a power cut during the completion may leave: nothing that tells a
// later boot "done" (the mark, a deleted description) reaches the volume
// before what it vouches for (the update list's files, the system folder's copy).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "app/init_ap.h"
#include "platform/host/xml/host_xml.h"
#include "tests/support/faulty_files.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

struct OrderCase {
  const char* name;
  std::uint32_t message;
  bool zantyExists;
};
void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.name; }

class CompletionOrder : public ::testing::TestWithParam<OrderCase> {};

// The position of the first journal entry equal to `entry`, or of the last one when `last`; -1 when none.
long Position(const std::vector<std::wstring>& journal, const std::wstring& entry, bool last = false) {
  long position = -1;
  for (long i = 0; i < static_cast<long>(journal.size()); ++i) {
    if (journal[static_cast<std::size_t>(i)] != entry) continue;
    position = i;
    if (!last) break;
  }
  return position;
}

TEST_P(CompletionOrder, FlushesWhatTheMarkAndTheDeletionsVouchFor) {
  const OrderCase& c = GetParam();
  test::TestDevice device;
  device.WriteFile("sd card/update.xml", "<config><update_already>0</update_already><update/></config>");
  device.WriteFile("FlashHd/update.xml", "<config/>");
  if (c.zantyExists) device.WriteFile("sd card/zanty.txt", "");
  platform::Platform& real = device.Services();
  test::FaultyFiles files(real.files);
  platform::host::HostXml xml(files);
  platform::Platform services{real.kernel, files,    real.windows, real.graphics, xml,
                              real.shell,  real.gps, real.disks,   real.registry, real.codePage};
  Init_AP app{services};
  app.SetDefaults();
  app.updateSource = platform::kSourceSdCard;
  app.zantyPath = L"\\sd card\\zanty.txt";
  app.WindowProc(0x10, c.message, 0, 0);

  const std::vector<std::wstring>& journal = files.journal;
  const long copied = Position(journal, L"copy \\System\\update.xml");
  const long firstDelete = Position(journal, L"delete \\FlashHd\\update.xml");
  ASSERT_GE(copied, 0);
  ASSERT_GT(firstDelete, copied);
  // The copy in the system folder is on the volume before a description goes.
  const long systemFlushed =
      std::max(Position(journal, L"flush \\System", true), Position(journal, L"flush \\System\\update.xml", true));
  EXPECT_GT(systemFlushed, copied);
  EXPECT_LT(systemFlushed, firstDelete);

  const long marked = Position(journal, L"replace \\sd card\\update.xml");
  if (c.message != UM_UPDATE_DONE || c.zantyExists) {
    EXPECT_EQ(marked, -1);
    return;
  }
  // Every volume the update list may have written is flushed before the mark, and the mark before any deletion.
  for (const wchar_t* volume : {L"\\sd card", L"\\FlashHd", L"\\System", L"\\Windows"}) {
    const long flushed = Position(journal, std::wstring(L"flush ") + volume);
    EXPECT_GE(flushed, 0) << "no flush of " << volume;
    EXPECT_LT(flushed, marked);
  }
  EXPECT_LT(marked, firstDelete);
}

INSTANTIATE_TEST_SUITE_P(Handlers, CompletionOrder,
                         ::testing::Values(OrderCase{"UpdateDone", UM_UPDATE_DONE, false},
                                           OrderCase{"UpdateDoneWhileForced", UM_UPDATE_DONE, true},
                                           OrderCase{"NoUpdate", UM_NO_UPDATE, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace initap
