// The elements and attributes of a loaded document that the system never
// read, weighed once the run is over.
#pragma once

#include <vector>

#include "platform/host/report/document_reads.h"
#include "platform/host/report/warnings.h"

namespace platform::host {

// Each finding with its line; the caller names the description.
std::vector<Warning> DocumentWarnings(const DocumentReads& reads);

}  // namespace platform::host
