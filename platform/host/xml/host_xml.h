// The XML service of a device folder: libxml2 over the device's file system.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/host/xml/xml_outline.h"
#include "platform/host/xml/xml_parse.h"
#include "platform/xml.h"

namespace platform::host {

// What a load found besides the document: its outline, or why it did not load.
struct XmlLoadFacts {
  XmlOutline outline;                   // of a document that loaded
  std::optional<ParseProblem> problem;  // the file was read but does not load
};

// Documents are read and saved through `files`, so device paths and their
// confinement are the file system's. External entities, DTDs and the network
// are never loaded. `files` must outlive the service and every document.
class HostXml final : public Xml {
 public:
  explicit HostXml(FileSystem& files);

  std::unique_ptr<XmlDocument> Load(std::wstring_view path) override;
  // The same load, telling `facts` what the document is made of or why it failed.
  std::unique_ptr<XmlDocument> Load(std::wstring_view path, XmlLoadFacts& facts);

 private:
  FileSystem& files_;
};

// The index in its document's outline of a node this service handed out; -1
// for any other node.
int OutlineIndexOf(const XmlNode& node);

}  // namespace platform::host
