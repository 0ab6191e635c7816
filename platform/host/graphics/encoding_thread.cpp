#include "platform/host/graphics/encoding_thread.h"

namespace platform::host {

EncodingThread::EncodingThread(std::size_t capacity) : capacity_(capacity) {}

EncodingThread::~EncodingThread() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  workCame_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void EncodingThread::Post(std::function<void()> work) {
  std::unique_lock lock(mutex_);
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  workDone_.wait(lock, [this] { return queue_.size() < capacity_; });
  queue_.push_back(std::move(work));
  lock.unlock();
  workCame_.notify_one();
}

void EncodingThread::Drain() {
  std::unique_lock lock(mutex_);
  workDone_.wait(lock, [this] { return queue_.empty() && !working_; });
}

void EncodingThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    workCame_.wait(lock, [this] { return !queue_.empty() || ending_; });
    if (queue_.empty()) return;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    working_ = true;
    lock.unlock();
    // A poster waiting for room may go on while this work is done.
    workDone_.notify_all();
    work();
    // The work's captures (a frame's pixels) go before the next is taken.
    work = nullptr;
    lock.lock();
    working_ = false;
    if (queue_.empty()) {
      lock.unlock();
      workDone_.notify_all();
      lock.lock();
    }
  }
}

}  // namespace platform::host
