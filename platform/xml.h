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
  [[nodiscard]] virtual std::wstring NodeName() const = 0;
  // The first child element selected by "./name" or "name" (exact name); null when none.
  [[nodiscard]] virtual std::unique_ptr<XmlNode> SelectSingleNode(std::wstring_view path) const = 0;
  // All child elements selected by "./name" or "name", in document order.
  [[nodiscard]] virtual std::vector<std::unique_ptr<XmlNode>> SelectNodes(std::wstring_view path) const = 0;
  // The concatenated text of the node and its descendants, white space trimmed at both ends.
  [[nodiscard]] virtual std::wstring Text() const = 0;
  // Replaces all children of an element by one text node (none for an empty
  // text); false, nothing changed, for another kind of node or for characters
  // that an XML document cannot hold.
  [[nodiscard]] virtual bool PutText(std::wstring_view text) = 0;
  // The value of the attribute of exactly this name; false, `value` untouched, when absent.
  [[nodiscard]] virtual bool GetAttribute(std::wstring_view name, std::wstring& value) const = 0;
  [[nodiscard]] virtual bool HasChildNodes() const = 0;
  // All child nodes in document order; white-space-only text is never among them.
  [[nodiscard]] virtual std::vector<std::unique_ptr<XmlNode>> ChildNodes() const = 0;
};

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;
  // The root element; null when there is none.
  [[nodiscard]] virtual std::unique_ptr<XmlNode> DocumentElement() const = 0;
  // Writes the document to a device path: beside it, flushed, renamed into
  // place. The declaration and encoding stay those it was loaded with; a
  // document loaded without a declaration is written as UTF-8 without one.
  [[nodiscard]] virtual bool Save(std::wstring_view path) = 0;
};

class Xml {
 public:
  virtual ~Xml() = default;
  // Loads a whole, well-formed document; null on any failure, an undefined
  // entity among them. Never reads another file and never touches the network.
  [[nodiscard]] virtual std::unique_ptr<XmlDocument> Load(std::wstring_view path) = 0;
};

}  // namespace platform
