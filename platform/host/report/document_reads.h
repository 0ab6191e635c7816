// What the system read of one loaded document: its elements down to the
// steps of a list, each with its line, and which of them, and which of their
// attributes, the system asked for. Several loads of one unchanged file share
// one record, so a setting read at start-up and a list walked by the worker
// count together.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/host/xml/xml_outline.h"

namespace platform::host {

struct ElementRead : OutlineElement {
  bool read = false;      // selected, its text or one of its attributes asked for
  bool named = false;     // its name was asked for
  bool searched = false;  // its children were searched by name
  bool listed = false;    // its children were listed one by one
  std::set<std::string> attributesRead;
  std::set<std::string> attributesMissing;  // asked for but absent
  bool cutShort = false;                    // an attribute read was too long for the device to use
  std::optional<std::wstring> text;         // the text the system read
};

struct DocumentReads {
  std::wstring path;                  // device path as the system gave it
  std::vector<ElementRead> elements;  // the outline's, in its order

  DocumentReads(std::wstring path, const XmlOutline& outline);
  // True when `outline` has the same elements and attributes in the same
  // places, so that it is a load of the same file.
  bool SameOutline(const XmlOutline& outline) const;
};

}  // namespace platform::host
