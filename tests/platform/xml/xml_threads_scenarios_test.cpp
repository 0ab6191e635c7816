// Two threads with documents of their own.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/platform/xml/xml_device.h"

namespace initap::test {
namespace {

TEST(XmlThreads, TwoThreadsLoadChangeAndSaveTheirOwnDocuments) {
  XmlDevice device;
  device.Put("FlashHd/one.xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><n>0</n></r>");
  device.Put("FlashHd/two.xml", "<r><n>0</n></r>");
  device.Put("FlashHd/broken1.xml", "<r>&nope;</r>");
  device.Put("FlashHd/broken2.xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\x81</r>");
  std::atomic<int> failures{0};
  // Between its own rounds each thread fails a load: the errors of one thread
  // must neither fail the other's loads nor let its own broken file through.
  auto work = [&](std::wstring path, std::wstring broken) {
    for (int round = 1; round <= 200; ++round) {
      auto document = device.xml().Load(path);
      auto root = document ? document->DocumentElement() : nullptr;
      auto n = root ? root->SelectSingleNode(L"n") : nullptr;
      if (!n || n->Text() != std::to_wstring(round - 1) || !n->PutText(std::to_wstring(round)) ||
          !document->Save(path) || device.xml().Load(broken) != nullptr) {
        ++failures;
        return;
      }
    }
  };
  std::thread first(work, L"\\FlashHd\\one.xml", L"\\FlashHd\\broken1.xml");
  std::thread second(work, L"\\FlashHd\\two.xml", L"\\FlashHd\\broken2.xml");
  first.join();
  second.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_NE(device.Get("FlashHd/one.xml").find("<n>200</n>"), std::string::npos);
  EXPECT_NE(device.Get("FlashHd/two.xml").find("<n>200</n>"), std::string::npos);
}

}  // namespace
}  // namespace initap::test
