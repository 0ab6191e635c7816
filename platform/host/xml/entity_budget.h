// The bound on what entity references may add to a loaded document's text.
#pragma once

#include <cstddef>

// libxml2's document, declared here so that only the sources include libxml2.
struct _xmlDoc;

namespace platform::host {

// True when all entity references in `doc` (in content and in attribute
// values), fully expanded, come to at most `limit` bytes. Reference loops and
// nesting deeper than the parser allows count as beyond the limit.
bool EntityTextWithinLimit(_xmlDoc* doc, std::size_t limit);

}  // namespace platform::host
