// The elements of a loaded document as its text has them, down to the
// children of the root's children: where each stands and what it holds, for
// telling a reader which line of the file something concerns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::host {

struct OutlineElement {
  std::string name;  // qualified name, UTF-8
  std::uint32_t line = 0;
  int parent = -1;                      // index of the parent element; -1 for the root
  std::vector<std::string> attributes;  // present ones, in document order
  int elementChildren = 0;
};

// The root first, then in document order; empty for a document without a root.
struct XmlOutline {
  std::vector<OutlineElement> elements;
};

}  // namespace platform::host
