#include "platform/host/xml/host_xml.h"

#include <libxml/tree.h>

#include <memory>
#include <string>

#include "platform/host/xml/xml_parse.h"
#include "platform/host/xml/xml_tree.h"

namespace platform::host {

namespace {

bool IsBlank(const xmlChar* text) {
  for (; text != nullptr && *text != 0; ++text) {
    if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r') return false;
  }
  return true;
}

// Drops the text nodes that hold only white space, as the device's component
// does: they are neither child nodes nor part of a saved document.
void DropBlankText(xmlNodePtr root) {
  for (xmlNodePtr node = root; node != nullptr;) {
    xmlNodePtr next = NextInContent(node, root);
    if (node->type == XML_TEXT_NODE && IsBlank(node->content)) {
      xmlUnlinkNode(node);
      xmlFreeNode(node);
    }
    node = next;
  }
}

// The declaration written back is the one read: none stays none (UTF-8 then);
// a declared encoding stays; a declaration without one keeps UTF-16 if the
// bytes were UTF-16, UTF-8 otherwise.
SaveForm SaveFormOf(const xmlDoc* doc, const std::string& bytes) {
  SaveForm form;
  // The parser leaves standalone at -1 only when there was no declaration.
  form.declaration = doc->standalone != -1;
  if (!form.declaration) return form;
  if (doc->encoding != nullptr) {
    form.encoding = reinterpret_cast<const char*>(doc->encoding);
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    form.encoding = "UTF-16";
  }
  return form;
}

}  // namespace

HostXml::HostXml(FileSystem& files) : files_(files) { InitialiseXml(); }

std::unique_ptr<XmlDocument> HostXml::Load(std::wstring_view path) {
  XmlLoadFacts ignored;
  return Load(path, ignored);
}

std::unique_ptr<XmlDocument> HostXml::Load(std::wstring_view path, XmlLoadFacts& facts) {
  facts = {};
  std::string bytes;
  if (const FileStatus read = files_.ReadFile(path, bytes); read != FileStatus::Ok) {
    if (read == FileStatus::FileTooLarge) facts.problem = ParseProblem{"the file is larger than a description can be"};
    return nullptr;
  }
  ParseProblem problem;
  DocPtr doc = ParseDocument(bytes, &problem);
  if (!doc) {
    facts.problem = std::move(problem);
    return nullptr;
  }
  if (xmlNodePtr root = xmlDocGetRootElement(doc.get()); root != nullptr) DropBlankText(root);
  SaveForm form = SaveFormOf(doc.get(), bytes);
  facts.outline = NumberElements(doc.get());
  auto tree = std::make_shared<XmlTree>(doc.get());
  doc.release();
  return std::make_unique<HostXmlDocument>(std::move(tree), files_, std::move(form));
}

int OutlineIndexOf(const XmlNode& node) {
  const auto* own = dynamic_cast<const HostXmlNode*>(&node);
  return own != nullptr ? own->OutlineIndex() : -1;
}

}  // namespace platform::host
