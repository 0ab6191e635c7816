// The XML service as the system sees it, with every load and every read of
// a loaded document's elements told to listeners: the one layer through
// which the card maker's tools watch what the system reads of a description.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/xml/host_xml.h"
#include "platform/host/xml/xml_outline.h"
#include "platform/host/xml/xml_parse.h"
#include "platform/xml.h"

namespace platform::host {

// A document as its listeners know it, from its load until it is released.
struct LoadedDocument {
  std::wstring path;  // device path as the system gave it
  XmlOutline outline;
};

// Hears the XML service, on the calling thread. Elements are named by their
// index in the document's outline; reads of other nodes are not told.
class XmlListener {
 public:
  virtual ~XmlListener() = default;
  virtual void Loaded(const LoadedDocument& /*document*/) {}
  // The file was read but does not load, for `problem`.
  virtual void NotLoaded(std::wstring_view /*path*/, const ParseProblem& /*problem*/) {}
  // Children of `parent` were searched by name; `found` was selected, or -1.
  virtual void Searched(const LoadedDocument& /*document*/, int /*parent*/, int /*found*/) {}
  virtual void Listed(const LoadedDocument& /*document*/, int /*element*/) {}
  virtual void Named(const LoadedDocument& /*document*/, int /*element*/) {}
  virtual void TextRead(const LoadedDocument& /*document*/, int /*element*/, const std::wstring& /*text*/) {}
  // `value` is null when the attribute is absent.
  virtual void AttributeAsked(const LoadedDocument& /*document*/, int /*element*/, std::string_view /*name*/,
                              const std::wstring* /*value*/) {}
  // The document and every node of it are gone.
  virtual void Released(const LoadedDocument& /*document*/) {}
};

// A service of one call needs no forwarding base: this layer is the whole of it.
class ObservedXml final : public Xml {
 public:
  // `below` must outlive this service and every document it loaded.
  explicit ObservedXml(HostXml& below) : below_(below) {}

  // `listener` must outlive this service and its documents; not while calls run.
  void AddListener(XmlListener& listener) { listeners_.push_back(&listener); }

  std::unique_ptr<XmlDocument> Load(std::wstring_view path) override;

 private:
  HostXml& below_;
  std::vector<XmlListener*> listeners_;
};

}  // namespace platform::host
