// FIFOs put where a device keeps files, and a guard for an open that would
// block on one.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include <gtest/gtest.h>

namespace initap::test {

inline void MakeFifo(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  EXPECT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
}

// Calls `open`, which may open the FIFO at `fifo`. When it blocks, the test
// fails and the FIFO is opened at both ends once, which releases it.
template <class Open>
auto WithoutBlocking(const std::filesystem::path& fifo, Open open) {
  auto call = std::async(std::launch::async, std::move(open));
  if (call.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "an open blocked on " << fifo;
    const int both = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    if (both >= 0) close(both);
  }
  return call.get();
}

}  // namespace initap::test
