// The XML service on the Windows API: the DOM component through COM, over
// the device's file system.
#pragma once

#include "platform/filesystem.h"
#include "platform/xml.h"

namespace platform::win32 {

// Documents are read and written through `files`, so device paths and their
// confinement are the file system's; the component only ever sees bytes.
// The service joins its thread to the multithreaded apartment for its life,
// so that every thread of the process may use documents. `files` must
// outlive the service and every document.
class Win32Xml final : public Xml {
 public:
  explicit Win32Xml(FileSystem& files);
  ~Win32Xml() override;
  Win32Xml(const Win32Xml&) = delete;
  Win32Xml& operator=(const Win32Xml&) = delete;

  std::unique_ptr<XmlDocument> Load(std::wstring_view path) override;

 private:
  FileSystem& files_;
  bool joined_ = false;
};

}  // namespace platform::win32
