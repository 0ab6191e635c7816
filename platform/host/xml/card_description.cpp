#include "platform/host/xml/card_description.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <memory>

#include "platform/common/free_with.h"
#include "platform/host/xml/xml_parse.h"

namespace platform::host {

namespace {

const xmlChar* Text(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

bool Named(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && node->ns == nullptr && xmlStrEqual(node->name, BAD_CAST name);
}

}  // namespace

bool ComposeCardDescription(const std::string* settings, const std::vector<DescriptionStep>& steps, std::string& bytes,
                            std::string& error) {
  InitialiseXml();
  DocPtr doc;
  if (settings != nullptr) {
    ParseProblem problem;
    doc = ParseDocument(*settings, &problem);
    if (!doc) {
      error = "the settings do not load: " + (problem.line != 0 ? "line " + std::to_string(problem.line) + ": " : "") +
              problem.message;
      return false;
    }
  } else {
    doc.reset(xmlNewDoc(BAD_CAST "1.0"));
    xmlDocSetRootElement(doc.get(), xmlNewDocNode(doc.get(), nullptr, BAD_CAST "config", nullptr));
  }
  xmlNodePtr root = xmlDocGetRootElement(doc.get());
  if (root == nullptr) {
    error = "the settings have no root element";
    return false;
  }
  // The template's own list and mark go, and so does the white space between
  // elements, which the written document lays out anew.
  for (xmlNodePtr child = root->children; child != nullptr;) {
    xmlNodePtr next = child->next;
    if (Named(child, "update") || Named(child, "update_already") || xmlIsBlankNode(child)) {
      xmlUnlinkNode(child);
      xmlFreeNode(child);
    }
    child = next;
  }
  // Every device the card goes into is to carry the list out.
  xmlNewTextChild(root, nullptr, BAD_CAST "update_already", BAD_CAST "0");
  xmlNodePtr list = xmlNewChild(root, nullptr, BAD_CAST "update", nullptr);
  for (const DescriptionStep& step : steps) {
    xmlNodePtr element = xmlNewChild(list, nullptr, Text(step.element), nullptr);
    for (const auto& [name, value] : step.attributes) xmlNewProp(element, Text(name), Text(value));
  }
  const std::unique_ptr<xmlBuffer, FreeWith<xmlBufferFree>> buffer(xmlBufferCreate());
  xmlSaveCtxtPtr writer = buffer ? xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_FORMAT) : nullptr;
  const bool written = writer != nullptr && xmlSaveDoc(writer, doc.get()) >= 0;
  // Close flushes the encoder; its result tells whether everything was converted.
  if (writer == nullptr || xmlSaveClose(writer) < 0 || !written) {
    error = "the description cannot be written";
    return false;
  }
  bytes.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
               static_cast<std::size_t>(xmlBufferLength(buffer.get())));
  return true;
}

}  // namespace platform::host
