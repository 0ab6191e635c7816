#include "platform/host/xml/xml_parse.h"

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/valid.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/host/xml/entity_budget.h"

namespace platform::host {

void DocDeleter::operator()(_xmlDoc* doc) const { xmlFreeDoc(doc); }

namespace {

// The most text that entity references may add to one document.
constexpr std::size_t kMaxEntityText = 1 << 20;

// No DTD loading, no entity substitution, no network: the document alone is read.
constexpr int kParseOptions = XML_PARSE_NONET;

// Every name the device knows code page 932 by. iconv's Shift_JIS table
// reads 0x5C as the yen sign and 0x7E as the overline, where the code page
// keeps ASCII: a backslash in a path must stay a backslash.
constexpr const char* kCodePage932Names[] = {"SHIFT_JIS", "SHIFT-JIS",   "SJIS",         "MS_KANJI",   "CSSHIFTJIS",
                                             "X-SJIS",    "WINDOWS-31J", "CSWINDOWS31J", "X-MS-CP932", "MS932"};

// The parser's message without its line end, where it found the fault.
ParseProblem ProblemOf(const xmlError* error) {
  ParseProblem problem;
  if (error->message != nullptr) problem.message = error->message;
  while (!problem.message.empty() && (problem.message.back() == '\n' || problem.message.back() == ' ')) {
    problem.message.pop_back();
  }
  if (problem.message.empty()) problem.message = "the parser reported an error";
  problem.line = error->line > 0 ? static_cast<std::uint32_t>(error->line) : 0;
  problem.column = error->int2 > 0 ? static_cast<std::uint32_t>(error->int2) : 0;
  return problem;
}

xmlParserInputPtr RefuseExternalEntity(const char* /*url*/, const char* /*id*/, xmlParserCtxtPtr /*context*/) {
  return nullptr;
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

  // An error, an undeclared entity among them, was reported; warnings are
  // not, nor what the parser finds against the DTD while it is not validating.
  bool Failed() const { return failed_; }
  // The first error reported.
  const ParseProblem& First() const { return first_; }
  // Where each reference to an undeclared entity stands, line and column;
  // empty when some other error was reported as well.
  const std::vector<std::pair<int, int>>& Undeclared() const { return undeclared_; }

 private:
  static void OnStructured(void* self, xmlErrorPtr error) {
    if (error == nullptr || error->level < XML_ERR_ERROR) return;
    if (error->domain == XML_FROM_VALID || error->domain == XML_FROM_DTD) return;
    auto& trap = *static_cast<ErrorTrap*>(self);
    if (error->code == XML_ERR_UNDECLARED_ENTITY && trap.onlyUndeclared_) {
      trap.undeclared_.emplace_back(error->line, error->int2);
    } else {
      trap.onlyUndeclared_ = false;
      trap.undeclared_.clear();
    }
    trap.Fail(ProblemOf(error));
  }
  static void OnGeneric(void* self, const char* /*format*/, ...) {
    static_cast<ErrorTrap*>(self)->Fail(ParseProblem{"the parser reported an error", 0, 0});
  }
  void Fail(ParseProblem problem) {
    if (!failed_) first_ = std::move(problem);
    failed_ = true;
  }

  xmlStructuredErrorFunc structured_;
  void* structuredContext_;
  xmlGenericErrorFunc generic_;
  void* genericContext_;
  bool failed_ = false;
  ParseProblem first_;
  bool onlyUndeclared_ = true;
  std::vector<std::pair<int, int>> undeclared_;
};

// Whether `node` gives `attribute` itself (the parser's lookup also answers with the DTD's default).
bool Gives(const xmlNode* node, const xmlChar* attribute) {
  for (const xmlAttr* given = node->properties; given != nullptr; given = given->next) {
    if (xmlStrEqual(given->name, attribute) != 0) return true;
  }
  return false;
}

// Whether an element of the tree below `node` named `element` lacks `attribute`, so that its default applies.
bool TakesDefault(const xmlNode* node, const xmlChar* element, const xmlChar* attribute) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    if (xmlStrEqual(node->name, element) != 0 && !Gives(node, attribute)) return true;
    if (TakesDefault(node->children, element, attribute)) return true;
  }
  return false;
}

// The element whose attribute-list declaration holds the place `line`:`column`
// of `bytes`; empty when the place lies outside one.
std::string AttributeListAt(std::string_view bytes, int line, int column) {
  std::size_t at = 0;
  for (int current = 1; current < line && at < bytes.size(); ++at) {
    if (bytes[at] == '\n') ++current;
  }
  at = std::min(bytes.size(), at + static_cast<std::size_t>(std::max(column, 1) - 1));
  const std::size_t declaration = bytes.rfind("<!ATTLIST", at);
  if (declaration == std::string_view::npos || bytes.rfind("<!", at) != declaration ||
      bytes.find('>', declaration) < at) {
    return {};
  }
  std::size_t name = declaration + 9;
  while (name < at && std::isspace(static_cast<unsigned char>(bytes[name])) != 0) ++name;
  std::size_t end = name;
  while (end < at && std::isspace(static_cast<unsigned char>(bytes[end])) == 0) ++end;
  return std::string(bytes.substr(name, end - name));
}

// A reference to an undeclared entity in an attribute default of the
// document's own DTD stops no load while no element takes a default the
// list declares: the text is never used. Only such references may have
// been reported.
bool OnlyUnusedDefaultsUndeclared(std::string_view bytes, const xmlDoc* doc,
                                  const std::vector<std::pair<int, int>>& undeclared) {
  const xmlNode* root = xmlDocGetRootElement(doc);
  if (undeclared.empty() || doc->intSubset == nullptr || root == nullptr) return false;
  // Places are counted in bytes, which a UTF-16 document's are not.
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return false;
  for (const auto& [line, column] : undeclared) {
    const std::string element = AttributeListAt(bytes, line, column);
    if (element.empty()) return false;
    for (const xmlNode* node = doc->intSubset->children; node != nullptr; node = node->next) {
      if (node->type != XML_ATTRIBUTE_DECL) continue;
      const auto* declared = reinterpret_cast<const xmlAttribute*>(node);
      if (declared->elem == nullptr || element != reinterpret_cast<const char*>(declared->elem)) continue;
      if (declared->def != XML_ATTRIBUTE_NONE && declared->def != XML_ATTRIBUTE_FIXED) continue;
      if (TakesDefault(root, declared->elem, declared->name)) return false;
    }
  }
  return true;
}

// A document whose own DTD declares elements or attributes is read once more,
// validating against it. A DTD kept elsewhere is never fetched, so a document
// that names one is only checked for being well-formed, and so is one whose
// DTD only declares entities. A document read as far as it goes (`recovered`)
// is not read again: the tree it gave is validated.
bool ValidAgainstInternalDtd(std::string_view bytes, xmlDoc* doc, bool recovered, ParseProblem& problem) {
  const xmlDtd* dtd = doc->intSubset;
  if (dtd == nullptr || dtd->ExternalID != nullptr || dtd->SystemID != nullptr || doc->extSubset != nullptr) {
    return true;
  }
  if (dtd->elements == nullptr && dtd->attributes == nullptr) return true;
  if (recovered) {
    const std::unique_ptr<xmlValidCtxt, decltype(&xmlFreeValidCtxt)> validation(xmlNewValidCtxt(), xmlFreeValidCtxt);
    if (!validation) return false;
    validation->error = nullptr;
    validation->warning = nullptr;
    if (xmlValidateDocument(validation.get(), doc) == 1) return true;
    problem = ParseProblem{"the document is not valid against its own DTD", 0, 0};
    return false;
  }
  const std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!context) return false;
  const DocPtr validated(xmlCtxtReadMemory(context.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                           nullptr, kParseOptions | XML_PARSE_DTDVALID));
  if (validated && context->valid != 0) return true;
  if (const xmlError* error = xmlCtxtGetLastError(context.get()); error != nullptr) {
    problem = ProblemOf(error);
  } else {
    problem = ParseProblem{"the document is not valid against its own DTD", 0, 0};
  }
  return false;
}

bool NamedAmong(std::string_view name, std::initializer_list<std::string_view> names) {
  for (const std::string_view candidate : names) {
    if (name.size() == candidate.size() && std::equal(name.begin(), name.end(), candidate.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == b;
        })) {
      return true;
    }
  }
  return false;
}

// A byte-order mark and a declared encoding that contradict each other make
// the document unreadable, as a strict reader has it.
bool MarkAgreesWithDeclaration(std::string_view bytes, const xmlChar* declared) {
  if (declared == nullptr) return true;
  const std::string_view name(reinterpret_cast<const char*>(declared));
  if (bytes.starts_with("\xEF\xBB\xBF")) return NamedAmong(name, {"UTF-8", "UTF8"});
  if (bytes.starts_with("\xFF\xFE")) return NamedAmong(name, {"UTF-16", "UTF-16LE", "UCS-2", "UNICODE"});
  if (bytes.starts_with("\xFE\xFF")) return NamedAmong(name, {"UTF-16", "UTF-16BE", "UCS-2", "UNICODE"});
  return true;
}

// A NUL character is no XML character anywhere in a document, also after its
// root element, where the parser would take it for the end of the text.
bool FreeOfNul(std::string_view bytes, ParseProblem& problem) {
  const bool wide = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
  const std::size_t unit = wide ? 2 : 1;
  std::uint32_t line = 1;
  std::uint32_t column = 1;
  for (std::size_t at = wide ? 2 : 0; at + unit <= bytes.size(); at += unit) {
    const unsigned value =
        wide ? (bytes[0] == '\xFF'
                    ? static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8
                    : static_cast<unsigned char>(bytes[at]) << 8 | static_cast<unsigned char>(bytes[at + 1]))
             : static_cast<unsigned char>(bytes[at]);
    if (value == 0) {
      problem = ParseProblem{"a NUL character, which no XML document may hold", line, column};
      return false;
    }
    if (value == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return true;
}

}  // namespace

void InitialiseXml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    for (const char* name : kCodePage932Names) xmlAddEncodingAlias("CP932", name);
    xmlSetExternalEntityLoader(RefuseExternalEntity);
  });
}

DocPtr ParseDocument(std::string_view bytes, ParseProblem* problem) {
  ParseProblem ignored;
  ParseProblem& why = problem != nullptr ? *problem : ignored;
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    why = ParseProblem{"the file is too large", 0, 0};
    return nullptr;
  }
  if (!FreeOfNul(bytes, why)) return nullptr;
  ErrorTrap trap;
  DocPtr doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, kParseOptions));
  bool tolerated = false;
  if (!doc && trap.Failed() && !trap.Undeclared().empty()) {
    // Read again as far as it goes, to see where the undeclared references stand.
    const ErrorTrap again;
    doc.reset(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                            kParseOptions | XML_PARSE_RECOVER));
    tolerated = doc && OnlyUnusedDefaultsUndeclared(bytes, doc.get(), again.Undeclared());
    if (!tolerated) doc.reset();
  }
  if (!doc || (trap.Failed() && !tolerated)) {
    why = trap.Failed() ? trap.First() : ParseProblem{"the parser could not read the file", 0, 0};
    return nullptr;
  }
  if (!MarkAgreesWithDeclaration(bytes, doc->encoding)) {
    why = ParseProblem{"the byte-order mark contradicts the declared encoding", 1, 0};
    return nullptr;
  }
  if (!EntityTextWithinLimit(doc.get(), kMaxEntityText)) {
    why = ParseProblem{"entity references add more text than a description may hold", 0, 0};
    return nullptr;
  }
  if (!ValidAgainstInternalDtd(bytes, doc.get(), tolerated, why)) return nullptr;
  return doc;
}

}  // namespace platform::host
