#include "platform/host/xml/host_xml.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>

#include "platform/host/xml/entity_budget.h"
#include "platform/host/xml/xml_tree.h"

namespace platform::host {

namespace {

// The most text that entity references may add to one document.
constexpr std::size_t kMaxEntityText = 1 << 20;

// No DTD loading, no entity substitution, no network: the document alone is read.
constexpr int kParseOptions = XML_PARSE_NONET;

xmlParserInputPtr RefuseExternalEntity(const char* /*url*/, const char* /*id*/, xmlParserCtxtPtr /*context*/) {
  return nullptr;
}

void InitialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalEntity);
  });
}

// Catches what the parser reports on this thread while it is alive, so that
// nothing reaches standard error and any error fails the load. libxml2 keeps
// its error handlers per thread.
class ErrorTrap {
 public:
  ErrorTrap()
      : structured_(xmlStructuredError),
        structuredContext_(xmlStructuredErrorContext),
        generic_(xmlGenericError),
        genericContext_(xmlGenericErrorContext) {
    xmlSetStructuredErrorFunc(this, &ErrorTrap::OnStructured);
    xmlSetGenericErrorFunc(this, &ErrorTrap::OnGeneric);
  }
  ~ErrorTrap() {
    xmlSetStructuredErrorFunc(structuredContext_, structured_);
    xmlSetGenericErrorFunc(genericContext_, generic_);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // An error, an undeclared entity among them, was reported; warnings are not.
  bool Failed() const { return failed_; }

 private:
  static void OnStructured(void* self, xmlErrorPtr error) {
    if (error != nullptr && error->level >= XML_ERR_ERROR) static_cast<ErrorTrap*>(self)->failed_ = true;
  }
  static void OnGeneric(void* self, const char* /*format*/, ...) { static_cast<ErrorTrap*>(self)->failed_ = true; }

  xmlStructuredErrorFunc structured_;
  void* structuredContext_;
  xmlGenericErrorFunc generic_;
  void* genericContext_;
  bool failed_ = false;
};

struct DocDeleter {
  void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

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

DocPtr Parse(const std::string& bytes) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
  ErrorTrap trap;
  DocPtr doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, kParseOptions));
  if (!doc || trap.Failed()) return nullptr;
  if (!EntityTextWithinLimit(doc.get(), kMaxEntityText)) return nullptr;
  return doc;
}

}  // namespace

HostXml::HostXml(FileSystem& files) : files_(files) { InitialiseOnce(); }

std::unique_ptr<XmlDocument> HostXml::Load(std::wstring_view path) {
  std::string bytes;
  if (files_.ReadFile(path, bytes) != FileStatus::Ok) return nullptr;
  DocPtr doc = Parse(bytes);
  if (!doc) return nullptr;
  if (xmlNodePtr root = xmlDocGetRootElement(doc.get()); root != nullptr) DropBlankText(root);
  SaveForm form = SaveFormOf(doc.get(), bytes);
  auto tree = std::make_shared<XmlTree>(doc.get());
  doc.release();
  return std::make_unique<HostXmlDocument>(std::move(tree), files_, std::move(form));
}

}  // namespace platform::host
