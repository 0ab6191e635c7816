// A loaded libxml2 document shared by its document and node objects, and the
// platform objects over it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/host/xml/xml_outline.h"
#include "platform/xml.h"

// libxml2's document and node, declared here so that only the sources include libxml2.
struct _xmlDoc;
struct _xmlNode;

namespace platform::host {

// Owns one _xmlDoc and every node cut out of it. Nodes replaced by PutText are
// kept until the document goes, so a node object held elsewhere never dangles.
class XmlTree {
 public:
  explicit XmlTree(_xmlDoc* doc) : doc_(doc) {}
  ~XmlTree();
  XmlTree(const XmlTree&) = delete;
  XmlTree& operator=(const XmlTree&) = delete;

  _xmlDoc* Doc() const { return doc_; }
  // Takes over a node that was unlinked from the tree.
  void KeepDetached(_xmlNode* node) { detached_.push_back(node); }

 private:
  _xmlDoc* doc_;
  std::vector<_xmlNode*> detached_;
};

// The node after `node` in document order below `top`, going down into
// elements only (an entity reference is a leaf); null at the end.
_xmlNode* NextInContent(_xmlNode* node, _xmlNode* top);

// The elements of a document down to the children of the root's children,
// numbered in document order: each node keeps its number, plus one, in
// _private. Lines are the parser's.
XmlOutline NumberElements(_xmlDoc* doc);

// How a document is written back: with or without a declaration, in which encoding.
struct SaveForm {
  bool declaration = false;
  std::string encoding = "UTF-8";
};

class HostXmlNode final : public XmlNode {
 public:
  HostXmlNode(std::shared_ptr<XmlTree> tree, _xmlNode* node) : tree_(std::move(tree)), node_(node) {}

  std::wstring NodeName() const override;
  std::unique_ptr<XmlNode> SelectSingleNode(std::wstring_view path) const override;
  std::vector<std::unique_ptr<XmlNode>> SelectNodes(std::wstring_view path) const override;
  std::wstring Text() const override;
  bool PutText(std::wstring_view text) override;
  bool GetAttribute(std::wstring_view name, std::wstring& value) const override;
  bool HasChildNodes() const override;
  std::vector<std::unique_ptr<XmlNode>> ChildNodes() const override;

  // The node's index in its document's outline; -1 for a node outside it.
  int OutlineIndex() const;

 private:
  // The node's children as the platform shows them: none below an entity reference.
  _xmlNode* FirstChild() const;

  std::shared_ptr<XmlTree> tree_;
  _xmlNode* node_;
};

// Saves through the file system it was loaded from, which must outlive it.
class HostXmlDocument final : public XmlDocument {
 public:
  HostXmlDocument(std::shared_ptr<XmlTree> tree, FileSystem& files, SaveForm form)
      : tree_(std::move(tree)), files_(files), form_(std::move(form)) {}

  std::unique_ptr<XmlNode> DocumentElement() const override;
  // Writes only what reads back as a document.
  bool Save(std::wstring_view path) override;

 private:
  bool Serialize(const SaveForm& form, std::string& bytes) const;

  std::shared_ptr<XmlTree> tree_;
  FileSystem& files_;
  SaveForm form_;
};

}  // namespace platform::host
