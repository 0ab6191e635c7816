// A device folder with the backend's file system and XML service over it,
// and the host-side helpers that put files in and take them out.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/xml.h"
#include "tests/support/device_tree.h"
#include "tests/support/faulty_files.h"

namespace initap::test {

// The backend's file system on `device`, and its XML service over `files`;
// each test program links the definitions of its backend.
std::unique_ptr<platform::FileSystem> OpenDeviceFiles(const DeviceTree& device);
std::unique_ptr<platform::Xml> OpenDeviceXml(platform::FileSystem& files);

class XmlDevice {
 public:
  XmlDevice() {
    deviceFiles_ = OpenDeviceFiles(tree_);
    if (!deviceFiles_) {
      ADD_FAILURE() << "the file system does not open";
      std::abort();
    }
    files_ = std::make_unique<FaultyFiles>(*deviceFiles_);
    xml_ = OpenDeviceXml(*files_);
  }

  // Paths relative to the device's root/, with slashes.
  void Put(const std::string& relative, std::string_view bytes) { tree_.WriteFile(relative, bytes); }
  std::string Get(const std::string& relative) const { return tree_.ReadFile(relative); }
  // A host folder outside the device.
  std::filesystem::path Outside() const { return tree_.Folder(); }

  // Puts `bytes` at "\FlashHd\test.xml" and loads it.
  std::unique_ptr<platform::XmlDocument> LoadBytes(std::string_view bytes) {
    Put(kHostPath, bytes);
    return xml_->Load(kPath);
  }

  static constexpr std::wstring_view kPath = L"\\FlashHd\\test.xml";
  static constexpr const char* kHostPath = "FlashHd/test.xml";

  FaultyFiles& files() { return *files_; }
  platform::Xml& xml() { return *xml_; }

 private:
  DeviceTree tree_;
  std::unique_ptr<platform::FileSystem> deviceFiles_;
  std::unique_ptr<FaultyFiles> files_;
  std::unique_ptr<platform::Xml> xml_;
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
