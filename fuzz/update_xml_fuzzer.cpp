// Arbitrary bytes as an update.xml on a device: through the configuration
// reader, the readers as the update worker uses them, and the write-back.
#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "app/init_ap.h"
#include "config/decimal_number.h"
#include "config/rect_text.h"
#include "config/update_config.h"
#include "config/xml_access.h"
#include "platform/common/path_limits.h"
#include "platform/host/host_platform.h"

namespace {

using namespace initap;

constexpr wchar_t kPath[] = L"\\sd card\\update.xml";

// One headless device for the whole run, on memory when the host has it, so
// that saving (written beside, flushed, renamed) costs little.
class FuzzDevice {
 public:
  FuzzDevice() {
    std::error_code error;
    const std::filesystem::path shm = "/dev/shm";
    std::string pattern = ((std::filesystem::is_directory(shm, error) ? shm : std::filesystem::temp_directory_path()) /
                           "initap-fuzz-XXXXXX")
                              .string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) {
      std::filesystem::create_directories(folder_ / "root" / volume);
    }
    platform::host::CommandLine line;
    line.device.folder = folder_;
    std::string message;
    host_ = platform::host::HostPlatform::Create(line, {}, message);
    if (!host_) std::abort();
    app_ = std::make_unique<Init_AP>(host_->Services());
  }
  ~FuzzDevice() {
    app_.reset();
    host_.reset();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }

  Init_AP& App() { return *app_; }
  void PutDescription(const std::uint8_t* data, std::size_t size) const {
    std::ofstream(folder_ / "root" / "sd card" / "update.xml", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<platform::host::HostPlatform> host_;
  std::unique_ptr<Init_AP> app_;
};

bool SameNameIgnoringCase(const std::wstring& name, std::wstring_view wanted) {
  if (name.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::towlower(static_cast<std::wint_t>(name[i])) != std::towlower(static_cast<std::wint_t>(wanted[i]))) {
      return false;
    }
  }
  return true;
}

// Every node as deep as the tree goes, through every node operation.
void Walk(const platform::XmlNode& node, int depth) {
  if (depth > 300) return;
  std::wstring value;
  node.NodeName();
  node.Text();
  node.GetAttribute(L"path", value);
  node.SelectNodes(L"./copy");
  if (!node.HasChildNodes()) return;
  for (const auto& child : node.ChildNodes()) Walk(*child, depth + 1);
}

// Reads the description as the start-up and the worker do; true when its
// root has an "update_already" element.
bool ReadAsTheSystemDoes(Init_AP& app) {
  OpenedXml opened;
  if (!OpenXmlDocument(app, kPath, opened)) return false;
  const platform::XmlNode* root = opened.root.get();
  std::wstring buffer;
  for (const wchar_t* path : {L"./launch", L"./logo", L"./zanty"}) {
    ReadNodeText(root, path, &buffer, platform::kPathCapacity);
  }
  platform::Rect rect;
  for (const wchar_t* path : {L"./filename_rect", L"./progress_rect"}) {
    if (ReadNodeText(root, path, &buffer, kValueCapacity) > 0) ParseRect(buffer, &rect);
  }
  for (const wchar_t* path : {L"./filename_color", L"./progress_color", L"./logo_showtime", L"./exit_showtime"}) {
    if (ReadNodeText(root, path, &buffer, kValueCapacity) > 0) DecimalNumber(buffer);
  }
  if (const auto update = root->SelectSingleNode(L"update"); update && update->HasChildNodes()) {
    std::wstring from, to;
    for (const auto& step : update->ChildNodes()) {
      const std::wstring name = step->NodeName();
      if (SameNameIgnoringCase(name, L"copy")) {
        ReadAttribute(step.get(), L"from", &from, platform::kPathCapacity);
        ReadAttribute(step.get(), L"to", &to, platform::kPathCapacity);
      } else if (SameNameIgnoringCase(name, L"delete")) {
        ReadAttribute(step.get(), L"path", &from, platform::kPathCapacity);
      }
    }
  }
  Walk(*root, 0);
  return root->SelectSingleNode(L"update_already") != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDevice device;
  Init_AP& app = device.App();
  device.PutDescription(data, size);

  app.SetDefaults();
  const int read = ReadConfig(app, kPath);
  const bool hasMarkElement = ReadAsTheSystemDoes(app);
  const int marked = MarkUpdateApplied(app, kPath);
  // What the reader refuses cannot be written back.
  if (read == 0 && marked != 0) std::abort();
  if (marked != 0) {
    // A description written back must read again, and carry the mark when it had the element.
    app.SetDefaults();
    if (ReadConfig(app, kPath) != 1) std::abort();
    if (hasMarkElement && app.updateAlready != 1) std::abort();
  }
  return 0;
}
