#include "platform/host/report/document_checks.h"

#include <algorithm>
#include <set>

#include "platform/common/name_case.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

std::string Tag(const ElementRead& element) { return "<" + element.name + ">"; }

bool SameName(const ElementRead& a, const ElementRead& b) {
  return platform::FoldName(FromUtf8(a.name)) == platform::FoldName(FromUtf8(b.name));
}

bool ReadSiblingNamed(const DocumentReads& reads, const ElementRead& element) {
  return std::any_of(reads.elements.begin(), reads.elements.end(), [&](const ElementRead& other) {
    return &other != &element && other.parent == element.parent && other.read && other.name == element.name;
  });
}

// The text of the applied flag when the system read one that is set.
std::string AppliedFlag(const DocumentReads& reads) {
  for (const ElementRead& element : reads.elements) {
    if (element.parent != 0 || element.name != "update_already" || !element.text) continue;
    const std::wstring& text = *element.text;
    if (std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'1' && c <= L'9'; })) {
      return ToUtf8(text);
    }
  }
  return {};
}

Warning Found(const ElementRead& element, std::string id, Severity severity, std::string text) {
  return {{}, element.line, std::move(text), std::move(id), severity};
}

Warning Unread(const DocumentReads& reads, const ElementRead& element, const ElementRead& parent) {
  if (parent.listed && element.named) {
    return Found(element, "unknown-step", Severity::Error,
                 Tag(element) + " is not a step the device knows; it is skipped.");
  }
  if (ReadSiblingNamed(reads, element)) {
    return Found(element, "repeated-element", Severity::Warning,
                 Tag(element) + " appears again; only the first one counts, so this one is ignored.");
  }
  if (element.elementChildren > 0) {
    const std::string steps = element.elementChildren == 1 ? std::string("1 step is")
                                                           : std::to_string(element.elementChildren) + " steps are";
    if (const std::string flag = AppliedFlag(reads); !flag.empty()) {
      return Found(element, "list-already-applied", Severity::Error,
                   Tag(element) + " is skipped: the description is marked as applied (<update_already>" + flag +
                       "</update_already>), so its " + steps + " not carried out.");
    }
    return Found(element, "list-not-carried-out", Severity::Error,
                 Tag(element) + " is not read from this description, so its " + steps + " not carried out.");
  }
  return Found(element, "unknown-element", Severity::Warning,
               Tag(element) + " is not read by the device; it is ignored.");
}

// Two names alike but for one letter, or with the same letters in another
// order: a misspelling of the other.
bool Resembles(std::string_view a, std::string_view b) {
  std::string sortedA(a), sortedB(b);
  std::sort(sortedA.begin(), sortedA.end());
  std::sort(sortedB.begin(), sortedB.end());
  if (sortedA == sortedB) return true;
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1) return false;
  std::size_t front = 0;
  while (front < a.size() && a[front] == b[front]) ++front;
  std::size_t back = 0;
  while (back < a.size() - front && a[a.size() - 1 - back] == b[b.size() - 1 - back]) ++back;
  return front + back >= b.size() - 1;
}

// Attribute names the system read on any element of this name.
std::set<std::string> KnownAttributes(const DocumentReads& reads, const ElementRead& element) {
  std::set<std::string> known;
  for (const ElementRead& other : reads.elements) {
    if (&other != &element && SameName(other, element))
      known.insert(other.attributesRead.begin(), other.attributesRead.end());
  }
  return known;
}

void AttributeWarnings(const DocumentReads& reads, const ElementRead& element, std::vector<Warning>& out) {
  for (const std::string& missing : element.attributesMissing) {
    out.push_back(Found(element, "missing-attribute", Severity::Error,
                        Tag(element) + " has no " + missing + "= attribute, so the device skips it."));
  }
  if (element.attributesRead.empty() && element.attributesMissing.empty()) return;
  // A step cut short (by a missing attribute, or one too long to read) never
  // asks for the rest: those are weighed against what the device reads on its
  // like, and one that looks like a misspelt missing name is named anyway.
  const bool cutShort = !element.attributesMissing.empty() || element.cutShort;
  const std::set<std::string> known = cutShort ? KnownAttributes(reads, element) : std::set<std::string>{};
  for (const std::string& attribute : element.attributes) {
    if (element.attributesRead.contains(attribute)) continue;
    if (cutShort && (known.empty() || known.contains(attribute))) {
      const bool misspelt = std::any_of(element.attributesMissing.begin(), element.attributesMissing.end(),
                                        [&](const std::string& missing) { return Resembles(attribute, missing); });
      if (!misspelt) continue;
    }
    out.push_back(Found(element, "unread-attribute", Severity::Warning,
                        attribute + "= is not an attribute the device reads on " + Tag(element) + "; it is ignored."));
  }
}

}  // namespace

std::vector<Warning> DocumentWarnings(const DocumentReads& reads) {
  std::vector<Warning> out;
  for (std::size_t i = 1; i < reads.elements.size(); ++i) {
    const ElementRead& element = reads.elements[i];
    const ElementRead& parent = reads.elements[static_cast<std::size_t>(element.parent)];
    if (element.read) {
      AttributeWarnings(reads, element, out);
    } else if (parent.searched || parent.listed) {
      out.push_back(Unread(reads, element, parent));
    }
  }
  return out;
}

}  // namespace platform::host
