#include "platform/host/xml/xml_tree.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <climits>
#include <cstdint>
#include <optional>

#include "platform/host/utf8.h"
#include "platform/host/xml/xml_parse.h"

namespace platform::host {

namespace {

struct XmlFreeDeleter {
  void operator()(xmlChar* text) const { xmlFree(text); }
};
using XmlString = std::unique_ptr<xmlChar, XmlFreeDeleter>;

struct BufferDeleter {
  void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};

std::string_view View(const xmlChar* text) {
  return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The characters an XML 1.0 document can carry; anything else could not be read back.
bool IsXmlChar(wchar_t wc) {
  const auto c = static_cast<char32_t>(wc);
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

std::string QualifiedName(const xmlNs* ns, const xmlChar* localName) {
  std::string name;
  if (ns != nullptr && ns->prefix != nullptr) {
    name += View(ns->prefix);
    name += ':';
  }
  name += View(localName);
  return name;
}

std::string QualifiedName(const xmlNode* node) { return QualifiedName(node->ns, node->name); }

// The child element name that "./name" or "name" selects; none for any other form.
std::optional<std::string> SelectedName(std::wstring_view path) {
  if (path.starts_with(L"./")) path.remove_prefix(2);
  if (path.empty() || path.find(L'/') != std::wstring_view::npos) return std::nullopt;
  return ToUtf8(path);
}

// A numbered node's index in the outline, -1 for any other.
int NumberOf(const xmlNode* node) { return static_cast<int>(reinterpret_cast<std::intptr_t>(node->_private)) - 1; }

}  // namespace

xmlNodePtr NextInContent(xmlNodePtr node, xmlNodePtr top) {
  if (node->type == XML_ELEMENT_NODE && node->children != nullptr) return node->children;
  for (; node != top; node = node->parent) {
    if (node->next != nullptr) return node->next;
  }
  return nullptr;
}

XmlOutline NumberElements(xmlDocPtr doc) {
  XmlOutline outline;
  const auto number = [&](xmlNodePtr node, int parent) {
    OutlineElement element;
    element.name = QualifiedName(node);
    const long line = xmlGetLineNo(node);
    element.line = line > 0 ? static_cast<std::uint32_t>(line) : 0;
    element.parent = parent;
    for (xmlAttrPtr attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
      element.attributes.push_back(QualifiedName(attribute->ns, attribute->name));
    }
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
      if (child->type == XML_ELEMENT_NODE) ++element.elementChildren;
    }
    outline.elements.push_back(std::move(element));
    node->_private = reinterpret_cast<void*>(static_cast<std::intptr_t>(outline.elements.size()));
    return static_cast<int>(outline.elements.size()) - 1;
  };
  xmlNodePtr root = xmlDocGetRootElement(doc);
  if (root == nullptr) return outline;
  number(root, -1);
  for (xmlNodePtr child = root->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    const int parent = number(child, 0);
    for (xmlNodePtr step = child->children; step != nullptr; step = step->next) {
      if (step->type == XML_ELEMENT_NODE) number(step, parent);
    }
  }
  return outline;
}

XmlTree::~XmlTree() {
  // Cut-out nodes still use the document's name dictionary: free them first.
  for (xmlNodePtr node : detached_) xmlFreeNode(node);
  xmlFreeDoc(doc_);
}

xmlNodePtr HostXmlNode::FirstChild() const {
  // An entity reference's children pointer leads into the document type declaration.
  if (node_->type == XML_ENTITY_REF_NODE) return nullptr;
  return node_->children;
}

int HostXmlNode::OutlineIndex() const { return node_->type == XML_ELEMENT_NODE ? NumberOf(node_) : -1; }

std::wstring HostXmlNode::NodeName() const {
  switch (node_->type) {
    case XML_TEXT_NODE: return L"#text";
    case XML_CDATA_SECTION_NODE: return L"#cdata-section";
    case XML_COMMENT_NODE: return L"#comment";
    case XML_ELEMENT_NODE: return FromUtf8(QualifiedName(node_));
    default: return FromUtf8(View(node_->name));
  }
}

std::unique_ptr<XmlNode> HostXmlNode::SelectSingleNode(std::wstring_view path) const {
  const auto name = SelectedName(path);
  if (!name) return nullptr;
  for (xmlNodePtr child = FirstChild(); child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && QualifiedName(child) == *name) {
      return std::make_unique<HostXmlNode>(tree_, child);
    }
  }
  return nullptr;
}

std::vector<std::unique_ptr<XmlNode>> HostXmlNode::SelectNodes(std::wstring_view path) const {
  std::vector<std::unique_ptr<XmlNode>> selected;
  const auto name = SelectedName(path);
  if (!name) return selected;
  for (xmlNodePtr child = FirstChild(); child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && QualifiedName(child) == *name) {
      selected.push_back(std::make_unique<HostXmlNode>(tree_, child));
    }
  }
  return selected;
}

std::wstring HostXmlNode::Text() const {
  const XmlString content(xmlNodeGetContent(node_));
  return FromUtf8(Trimmed(View(content.get())));
}

bool HostXmlNode::PutText(std::wstring_view text) {
  if (node_->type != XML_ELEMENT_NODE) return false;
  for (wchar_t c : text) {
    if (!IsXmlChar(c)) return false;
  }
  const std::string utf8 = ToUtf8(text);
  if (utf8.size() > static_cast<std::size_t>(INT_MAX)) return false;
  xmlNodePtr replacement = nullptr;
  if (!utf8.empty()) {
    replacement =
        xmlNewDocTextLen(tree_->Doc(), reinterpret_cast<const xmlChar*>(utf8.data()), static_cast<int>(utf8.size()));
    if (replacement == nullptr) return false;
  }
  for (xmlNodePtr child = node_->children; child != nullptr;) {
    xmlNodePtr next = child->next;
    xmlUnlinkNode(child);
    tree_->KeepDetached(child);
    child = next;
  }
  if (replacement != nullptr) xmlAddChild(node_, replacement);
  return true;
}

bool HostXmlNode::GetAttribute(std::wstring_view name, std::wstring& value) const {
  if (node_->type != XML_ELEMENT_NODE) return false;
  const std::string wanted = ToUtf8(name);
  for (xmlAttrPtr attribute = node_->properties; attribute != nullptr; attribute = attribute->next) {
    if (QualifiedName(attribute->ns, attribute->name) == wanted) {
      const XmlString content(xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attribute)));
      value = FromUtf8(View(content.get()));
      return true;
    }
  }
  return false;
}

bool HostXmlNode::HasChildNodes() const { return FirstChild() != nullptr; }

std::vector<std::unique_ptr<XmlNode>> HostXmlNode::ChildNodes() const {
  std::vector<std::unique_ptr<XmlNode>> children;
  for (xmlNodePtr child = FirstChild(); child != nullptr; child = child->next) {
    children.push_back(std::make_unique<HostXmlNode>(tree_, child));
  }
  return children;
}

std::unique_ptr<XmlNode> HostXmlDocument::DocumentElement() const {
  xmlNodePtr root = xmlDocGetRootElement(tree_->Doc());
  if (root == nullptr) return nullptr;
  return std::make_unique<HostXmlNode>(tree_, root);
}

bool HostXmlDocument::Save(std::wstring_view path) {
  std::string bytes;
  if (!Serialize(form_, bytes) || !ParseDocument(bytes)) {
    // Some encodings do not carry markup as ASCII (UTF-7 does not): a file
    // written in them could not be read again, so it is written in UTF-8.
    const SaveForm utf8{form_.declaration, "UTF-8"};
    if (!Serialize(utf8, bytes) || !ParseDocument(bytes)) return false;
  }
  return files_.ReplaceFile(path, bytes) == FileStatus::Ok;
}

bool HostXmlDocument::Serialize(const SaveForm& form, std::string& bytes) const {
  const std::unique_ptr<xmlBuffer, BufferDeleter> buffer(xmlBufferCreate());
  if (!buffer) return false;
  int options = XML_SAVE_FORMAT;
  if (!form.declaration) options |= XML_SAVE_NO_DECL;
  xmlSaveCtxtPtr writer = xmlSaveToBuffer(buffer.get(), form.encoding.c_str(), options);
  if (writer == nullptr) return false;
  const bool written = xmlSaveDoc(writer, tree_->Doc()) >= 0;
  // Close flushes the encoder; its result tells whether everything was converted.
  if (xmlSaveClose(writer) < 0 || !written) return false;
  bytes.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
               static_cast<std::size_t>(xmlBufferLength(buffer.get())));
  return true;
}

}  // namespace platform::host
