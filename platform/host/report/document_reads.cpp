#include "platform/host/report/document_reads.h"

namespace platform::host {

bool DocumentReads::SameOutline(const DocumentReads& other) const {
  if (elements.size() != other.elements.size()) return false;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const ElementRead& a = elements[i];
    const ElementRead& b = other.elements[i];
    if (a.name != b.name || a.parent != b.parent || a.attributes != b.attributes) return false;
  }
  return true;
}

}  // namespace platform::host
