// A device folder with the real file system and the XML service over it,
// and the host-side helpers that put files in and take them out.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/device_folder.h"
#include "platform/host/files/host_files.h"
#include "platform/host/xml/host_xml.h"
#include "tests/support/faulty_files.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"

namespace initap::test {

class XmlDevice {
 public:
  XmlDevice() {
    device_.folder = temp_.path() / "device";
    std::filesystem::create_directories(device_.Root() / "FlashHd");
    std::string error;
    hostFiles_ = platform::host::HostFileSystem::Open(device_, error);
    if (!hostFiles_) ADD_FAILURE() << error;
    files_ = std::make_unique<FaultyFiles>(*hostFiles_);
    xml_ = std::make_unique<platform::host::HostXml>(*files_);
  }

  // Host paths relative to the device's root/.
  void Put(const std::string& relative, std::string_view bytes) const { WriteHostFile(device_.Root() / relative, bytes); }
  std::string Get(const std::string& relative) const { return ReadHostFile(device_.Root() / relative); }
  // A host folder outside the device.
  std::filesystem::path Outside() const { return temp_.path(); }

  // Puts `bytes` at "\FlashHd\test.xml" and loads it.
  std::unique_ptr<platform::XmlDocument> LoadBytes(std::string_view bytes) {
    Put("FlashHd/test.xml", bytes);
    return xml_->Load(kPath);
  }

  static constexpr std::wstring_view kPath = L"\\FlashHd\\test.xml";
  static constexpr const char* kHostPath = "FlashHd/test.xml";

  FaultyFiles& files() { return *files_; }
  platform::host::HostXml& xml() { return *xml_; }

 private:
  TempFolder temp_;
  platform::host::DeviceFolder device_;
  std::unique_ptr<platform::host::HostFileSystem> hostFiles_;
  std::unique_ptr<FaultyFiles> files_;
  std::unique_ptr<platform::host::HostXml> xml_;
};

inline std::vector<std::wstring> Names(const std::vector<std::unique_ptr<platform::XmlNode>>& nodes) {
  std::vector<std::wstring> names;
  for (const auto& node : nodes) names.push_back(node->NodeName());
  return names;
}

// Text of the basic multilingual plane as UTF-16 with a byte order mark.
inline std::string Utf16WithBom(std::wstring_view text, bool bigEndian = false) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : text) {
    const char low = static_cast<char>(c & 0xFF);
    const char high = static_cast<char>((c >> 8) & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

}  // namespace initap::test
