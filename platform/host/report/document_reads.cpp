#include "platform/host/report/document_reads.h"

namespace platform::host {

DocumentReads::DocumentReads(std::wstring devicePath, const XmlOutline& outline) : path(std::move(devicePath)) {
  elements.reserve(outline.elements.size());
  for (const OutlineElement& element : outline.elements) {
    ElementRead& read = elements.emplace_back();
    static_cast<OutlineElement&>(read) = element;
  }
}

bool DocumentReads::SameOutline(const XmlOutline& outline) const {
  if (elements.size() != outline.elements.size()) return false;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const OutlineElement& a = elements[i];
    const OutlineElement& b = outline.elements[i];
    if (a.name != b.name || a.parent != b.parent || a.attributes != b.attributes) return false;
  }
  return true;
}

}  // namespace platform::host
