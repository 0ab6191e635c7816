// The XML service of a device folder: libxml2 over the device's file system.
#pragma once

#include "platform/filesystem.h"
#include "platform/xml.h"

namespace platform::host {

class CardWatch;

// Documents are read and saved through `files`, so device paths and their
// confinement are the file system's. External entities, DTDs and the network
// are never loaded. `files` must outlive the service and every document.
// With a `watch` (which must outlive them too), what the system reads of each
// document and why a document did not load are told to it.
class HostXml final : public Xml {
 public:
  explicit HostXml(FileSystem& files, CardWatch* watch = nullptr);

  std::unique_ptr<XmlDocument> Load(std::wstring_view path) override;

 private:
  FileSystem& files_;
  CardWatch* watch_;
};

}  // namespace platform::host
