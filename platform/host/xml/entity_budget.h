// The bound on what entity references may add to a loaded document's text.
#pragma once

#include <libxml/tree.h>

#include <cstddef>

namespace platform::host {

// True when all entity references in `doc` (in content and in attribute
// values), fully expanded, come to at most `limit` bytes. Reference loops and
// nesting deeper than the parser allows count as beyond the limit.
bool EntityTextWithinLimit(xmlDocPtr doc, std::size_t limit);

}  // namespace platform::host
