// The elements and attributes of a loaded document that the system never
// read, weighed once the run is over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/report/document_reads.h"

namespace platform::host {

struct LineWarning {
  std::uint32_t line = 0;
  std::string text;
};

std::vector<LineWarning> DocumentWarnings(const DocumentReads& reads);

}  // namespace platform::host
