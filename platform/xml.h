// XML service: documents loaded whole from device paths, their elements,
// texts and attributes, and saving a document back.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A node of a loaded document. A node keeps its document alive.
class XmlNode {
 public:
  virtual ~XmlNode() = default;
  // "#text", "#comment", "#cdata-section", a processing instruction's target,
  // or an element's qualified name.
  virtual std::wstring NodeName() const = 0;
  // The first child element selected by "./name" or "name" (exact name); null when none.
  virtual std::unique_ptr<XmlNode> SelectSingleNode(std::wstring_view path) const = 0;
  // All child elements selected by "./name" or "name", in document order.
  virtual std::vector<std::unique_ptr<XmlNode>> SelectNodes(std::wstring_view path) const = 0;
  // The concatenated text of the node and its descendants, white space trimmed at both ends.
  virtual std::wstring Text() const = 0;
  // Replaces all children by one text node; false when the node refuses it.
  virtual bool PutText(std::wstring_view text) = 0;
  // The attribute of exactly this name; false when absent.
  virtual bool GetAttribute(std::wstring_view name, std::wstring& value) const = 0;
  virtual bool HasChildNodes() const = 0;
  // All child nodes in document order; white-space-only text is never among them.
  virtual std::vector<std::unique_ptr<XmlNode>> ChildNodes() const = 0;
};

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;
  // The root element; null when there is none.
  virtual std::unique_ptr<XmlNode> DocumentElement() const = 0;
  // Writes the document to a device path: beside it, flushed, renamed into place.
  virtual bool Save(std::wstring_view path) = 0;
};

class Xml {
 public:
  virtual ~Xml() = default;
  // Loads a whole, well-formed document; null on any failure. Never reads
  // another file and never touches the network.
  virtual std::unique_ptr<XmlDocument> Load(std::wstring_view path) = 0;
};

}  // namespace platform
