// The kernel as the system sees it, with each setting of the device clock
// told to listeners.
#pragma once

#include <vector>

#include "platform/common/forwarding_kernel.h"

namespace platform {

// Hears the clock being set, on the calling thread.
class ClockListener {
 public:
  virtual ~ClockListener() = default;
  // The device clock is about to be set from `utc`.
  virtual void BeforeClockSet(const SystemTime& /*utc*/) {}
  // The kernel answered: `set` is true when the clock now runs from `utc`.
  virtual void AfterClockSet(const SystemTime& /*utc*/, bool /*set*/) {}
};

class ObservedKernel final : public ForwardingKernel {
 public:
  using ForwardingKernel::ForwardingKernel;

  // `listener` must outlive this kernel; not while calls run.
  void AddListener(ClockListener& listener) { listeners_.push_back(&listener); }

  bool SetSystemTime(const SystemTime& utc) override {
    for (ClockListener* listener : listeners_) listener->BeforeClockSet(utc);
    const bool set = Below().SetSystemTime(utc);
    for (ClockListener* listener : listeners_) listener->AfterClockSet(utc, set);
    return set;
  }

 private:
  std::vector<ClockListener*> listeners_;
};

}  // namespace platform
