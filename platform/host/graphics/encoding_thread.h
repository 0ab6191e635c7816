// Pictures of the screen encoded beside the run: the window's thread hands a
// frame's encoding over and paints on, waiting only when so many frames wait
// already that their memory would grow with the length of the run.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace platform::host {

// How many frames an output lets wait: 8 screens are 2.3 MB.
inline constexpr std::size_t kWaitingFrames = 8;

class EncodingThread {
 public:
  // At most `capacity` pieces of work wait at a time, besides the one in work.
  explicit EncodingThread(std::size_t capacity);
  // Does the work still waiting, then ends the thread.
  ~EncodingThread();
  EncodingThread(const EncodingThread&) = delete;
  EncodingThread& operator=(const EncodingThread&) = delete;

  // Queues `work`, done after all work queued before it; waits while the queue is full.
  void Post(std::function<void()> work);
  // Returns once all work posted before has been done.
  void Drain();

 private:
  void Run();

  const std::size_t capacity_;
  std::mutex mutex_;
  // The encoding thread sleeps on this until there is work or an end.
  std::condition_variable workCame_;
  // Posters sleep on this until there is room, and drainers until all is done.
  std::condition_variable workDone_;
  std::deque<std::function<void()>> queue_;
  bool working_ = false;
  bool ending_ = false;
  // Started on the first work, so that an output that never encodes costs no thread.
  std::thread thread_;
};

}  // namespace platform::host
