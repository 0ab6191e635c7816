// The frames' encoding beside the run: in turn, with few waiting, and all of it done.
#include "platform/host/graphics/encoding_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using platform::host::EncodingThread;

TEST(EncodingThreadTest, DoesAllWorkInTurnWithAtMostItsCapacityWaiting) {
  struct Case {
    const char* name;
    std::size_t capacity;
    bool drain;  // Drain before the end, or leave the rest to the destructor
  };
  const Case cases[] = {
      {"one waits, drained", 1, true}, {"eight wait, drained", 8, true}, {"left at the end", 3, false}};
  constexpr int kWork = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> done;  // on the encoding thread only, read once it has finished
    std::atomic<int> posted = 0;
    int mostAhead = 0;
    {
      auto encoder = std::make_unique<EncodingThread>(c.capacity);
      for (int i = 0; i < kWork; ++i) {
        encoder->Post([&, i] {
          // The first work gives the poster time to run ahead as far as the queue lets it.
          if (i == 0) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
            while (posted <= static_cast<int>(c.capacity) + 1 && std::chrono::steady_clock::now() < until) {
              std::this_thread::yield();
            }
          }
          mostAhead = std::max(mostAhead, posted - i);
          done.push_back(i);
        });
        ++posted;
      }
      if (c.drain) {
        encoder->Drain();
        EXPECT_EQ(done.size(), static_cast<std::size_t>(kWork));
      }
    }
    std::vector<int> inTurn(kWork);
    for (int i = 0; i < kWork; ++i) inTurn[i] = i;
    EXPECT_EQ(done, inTurn);
    // The work in hand, those waiting, and one whose Post returned as room was made.
    EXPECT_LE(mostAhead, static_cast<int>(c.capacity) + 2);
  }
}

}  // namespace
