// A kernel that hands every call to the one below it; a wrapper derives from
// it and overrides only the calls it changes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/kernel.h"

namespace platform {

class ForwardingKernel : public Kernel {
 public:
  // `below` must outlive this kernel.
  explicit ForwardingKernel(Kernel& below) : below_(below) {}

  std::unique_ptr<Event> CreateEvent() override { return below_.CreateEvent(); }
  std::unique_ptr<Thread> StartThread(std::function<std::uint32_t()> procedure) override {
    return below_.StartThread(std::move(procedure));
  }
  void Sleep(std::uint32_t milliseconds) override { below_.Sleep(milliseconds); }
  std::uint32_t GetTickCount() override { return below_.GetTickCount(); }
  SystemTime GetLocalTime() override { return below_.GetLocalTime(); }
  bool SetSystemTime(const SystemTime& utc) override { return below_.SetSystemTime(utc); }
  void DebugOutput(std::wstring_view text) override { below_.DebugOutput(text); }

 protected:
  Kernel& Below() const { return below_; }

 private:
  Kernel& below_;
};

}  // namespace platform
