// Parsing a document from memory under the service's rules.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string_view>

namespace platform::host {

struct DocDeleter {
  void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

// Sets libxml2 up for the process: once, from any thread.
void InitialiseXml();

// The document in `bytes` when it is well-formed, nothing was reported
// against it (an undefined entity included) and its entity references stay
// within the bound; null otherwise. Reads nothing but `bytes`.
DocPtr ParseDocument(std::string_view bytes);

}  // namespace platform::host
