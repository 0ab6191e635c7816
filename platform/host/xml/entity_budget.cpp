#include "platform/host/xml/entity_budget.h"

#include <libxml/entities.h>
#include <libxml/tree.h>

#include <string>
#include <unordered_map>

#include "platform/host/xml/xml_tree.h"

namespace platform::host {

namespace {

// The parser itself gives up on entities nested deeper than this.
constexpr int kMaxNesting = 40;
// The most a character reference can stand for: one UTF-8 sequence.
constexpr std::size_t kCharacterReferenceSize = 4;

// Expanded sizes measured on the replacement texts, each entity once, so the
// measure stays linear in the declarations whatever the references multiply to.
class EntityMeter {
 public:
  EntityMeter(xmlDocPtr doc, std::size_t limit) : doc_(doc), beyond_(limit + 1) {}

  // The expanded size of the entity `name`, at most limit + 1.
  std::size_t SizeOfReference(const xmlChar* name, int depth) {
    xmlEntityPtr entity = xmlGetDocEntity(doc_, name);
    if (entity == nullptr) return 0;
    if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) return 1;
    // External entities are never loaded, so they add nothing.
    if (entity->etype != XML_INTERNAL_GENERAL_ENTITY || entity->content == nullptr) return 0;
    if (depth > kMaxNesting) return beyond_;
    if (const auto known = sizes_.find(entity); known != sizes_.end()) return known->second;
    sizes_[entity] = beyond_;  // stands while measured: a loop comes back to it
    const std::size_t size = SizeOfText(entity->content, depth + 1);
    sizes_[entity] = size;
    return size;
  }

  std::size_t Add(std::size_t a, std::size_t b) const { return a + b >= beyond_ ? beyond_ : a + b; }
  std::size_t Beyond() const { return beyond_; }

 private:
  // A replacement text holds its entity references as "&name;" and its
  // character references as "&#...;".
  std::size_t SizeOfText(const xmlChar* text, int depth) {
    std::size_t total = 0;
    for (const xmlChar* p = text; *p != 0 && total < beyond_;) {
      const xmlChar* end = p + 1;
      if (*p == '&') {
        // A name holds no '&': stopping there keeps the scan linear.
        while (*end != 0 && *end != ';' && *end != '&') ++end;
      }
      if (*p != '&' || *end != ';') {
        total = Add(total, 1);
        p = p + 1;
        continue;
      }
      if (p[1] == '#') {
        total = Add(total, kCharacterReferenceSize);
      } else {
        const std::string name(reinterpret_cast<const char*>(p + 1), static_cast<std::size_t>(end - p - 1));
        total = Add(total, SizeOfReference(reinterpret_cast<const xmlChar*>(name.c_str()), depth));
      }
      p = end + 1;
    }
    return total;
  }

  xmlDocPtr doc_;
  std::size_t beyond_;
  std::unordered_map<const xmlEntity*, std::size_t> sizes_;
};

}  // namespace

bool EntityTextWithinLimit(xmlDocPtr doc, std::size_t limit) {
  EntityMeter meter(doc, limit);
  std::size_t total = 0;
  // References stand only in the content of the root element.
  xmlNodePtr root = xmlDocGetRootElement(doc);
  for (xmlNodePtr node = root; node != nullptr && total < meter.Beyond(); node = NextInContent(node, root)) {
    if (node->type == XML_ENTITY_REF_NODE) total = meter.Add(total, meter.SizeOfReference(node->name, 0));
    if (node->type != XML_ELEMENT_NODE) continue;
    for (xmlAttrPtr attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
      for (xmlNodePtr part = attribute->children; part != nullptr; part = part->next) {
        if (part->type == XML_ENTITY_REF_NODE) total = meter.Add(total, meter.SizeOfReference(part->name, 0));
      }
    }
  }
  return total <= limit;
}

}  // namespace platform::host
