// A listing whose entries were all read when it started, so deleting those
// already handed out cannot disturb the rest.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "platform/filesystem.h"

namespace platform {

class ReadListing final : public FindHandle {
 public:
  explicit ReadListing(std::vector<FindData> entries) : entries_(std::move(entries)) {}
  FileStatus Next(FindData& entry) override {
    if (next_ >= entries_.size()) return FileStatus::NoMoreFiles;
    entry = std::move(entries_[next_++]);
    return FileStatus::Ok;
  }

 private:
  std::vector<FindData> entries_;
  std::size_t next_ = 0;
};

}  // namespace platform
