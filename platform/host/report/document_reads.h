// What the system read of one loaded document: its elements down to the
// steps of a list, each with its line, and which of them, and which of their
// attributes, the system asked for. Several loads of one unchanged file share
// one record, so a setting read at start-up and a list walked by the worker
// count together.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform::host {

struct ElementRead {
  std::string name;  // qualified name, UTF-8
  std::uint32_t line = 0;
  int parent = -1;  // index of the parent element; -1 for the root
  std::vector<std::string> attributes;  // present ones, in document order
  int elementChildren = 0;

  bool read = false;      // selected, its text or one of its attributes asked for
  bool named = false;     // its name was asked for
  bool searched = false;  // its children were searched by name
  bool listed = false;    // its children were listed one by one
  std::set<std::string> attributesRead;
  std::set<std::string> attributesMissing;  // asked for but absent
  std::optional<std::wstring> text;         // the text the system read
};

struct DocumentReads {
  std::wstring path;  // device path as the system gave it
  std::vector<ElementRead> elements;  // the root first, then in document order

  // True when `other` has the same elements, so that it is a load of the same file.
  bool SameOutline(const DocumentReads& other) const;
};

}  // namespace platform::host
