// Parsing a document from memory under the service's rules.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// libxml2's document, declared here so that only the sources include libxml2.
struct _xmlDoc;

namespace platform::host {

struct DocDeleter {
  void operator()(_xmlDoc* doc) const;
};
using DocPtr = std::unique_ptr<_xmlDoc, DocDeleter>;

// Sets libxml2 up for the process: once, from any thread.
void InitialiseXml();

// Why a document did not load: the parser's message, at its line and column when known.
struct ParseProblem {
  std::string message;
  std::uint32_t line = 0;
  std::uint32_t column = 0;
};

// The document in `bytes` when it is well-formed, nothing was reported
// against it (an undefined entity included), it is valid against the DTD it
// holds, its byte-order mark agrees with its declared encoding and its
// entity references stay within the bound; null otherwise. Reads nothing but
// `bytes`. On null, `problem` (when given) says why.
DocPtr ParseDocument(std::string_view bytes, ParseProblem* problem = nullptr);

}  // namespace platform::host
