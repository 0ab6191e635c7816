#include "tests/update/engine_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/common/update_log_path.h"
#include "platform/host/utf8.h"
#include "tests/support/host_files.h"

namespace initap::test {

namespace {

// A document whose release is noted in the journal.
class JournalDocument final : public platform::XmlDocument {
 public:
  JournalDocument(std::unique_ptr<platform::XmlDocument> inner, std::vector<std::string>& journal)
      : inner_(std::move(inner)), journal_(journal) {}
  ~JournalDocument() override { journal_.push_back("release document"); }
  std::unique_ptr<platform::XmlNode> DocumentElement() const override { return inner_->DocumentElement(); }
  bool Save(std::wstring_view path) override { return inner_->Save(path); }

 private:
  std::unique_ptr<platform::XmlDocument> inner_;
  std::vector<std::string>& journal_;
};

platform::Platform Assemble(platform::Platform& host, platform::FileSystem& files, platform::WindowSystem& windows,
                            platform::Xml& xml) {
  return platform::Platform{host.kernel, files,    windows,    host.graphics, xml,
                            host.shell,  host.gps, host.disks, host.registry, host.codePage};
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Paint& paint) {
  return out << '"' << platform::host::ToUtf8(paint.text) << "\" " << paint.done << '/' << paint.total;
}

bool RecordingWindows::PostMessage(platform::WindowHandle, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  EXPECT_EQ(wParam, 0u);
  EXPECT_EQ(lParam, 0);
  messages.push_back(message);
  journal_.push_back("post " + std::to_string(message));
  return true;
}

bool RecordingWindows::UpdateWindow(platform::WindowHandle) {
  if (app_ != nullptr) paints.push_back({app_->statusText.Get(), app_->progressDone, app_->progressTotal});
  return true;
}

std::unique_ptr<platform::XmlDocument> JournalXml::Load(std::wstring_view path) {
  std::unique_ptr<platform::XmlDocument> document = inner_.Load(path);
  if (!document) return nullptr;
  return std::make_unique<JournalDocument>(std::move(document), journal_);
}

EngineDevice::EngineDevice()
    : files((device.MakeFolder("Storage Card"), device.Services().files)),
      windows(journal),
      xml(device.Services().xml, journal),
      platform(Assemble(device.Services(), files, windows, xml)),
      app(platform) {
  app.SetDefaults();
  app.updateSource = platform::kSourceSdCard;
  windows.Show(app);
}

std::filesystem::path EngineDevice::Host(std::wstring_view devicePath) const {
  std::filesystem::path host = device.Host("");
  std::wstring name;
  for (wchar_t c : std::wstring(devicePath) + L'\\') {
    if (c != L'\\') {
      name += c;
    } else if (!name.empty()) {
      host /= platform::host::ToUtf8(name);
      name.clear();
    }
  }
  return host;
}

void EngineDevice::Write(std::wstring_view devicePath, const std::string& content) {
  WriteHostFile(Host(devicePath), content);
}

std::optional<std::string> EngineDevice::Read(std::wstring_view devicePath) const {
  std::ifstream in(Host(devicePath), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool EngineDevice::Exists(std::wstring_view devicePath) const { return std::filesystem::exists(Host(devicePath)); }

std::vector<std::string> EngineDevice::FilesBelow(std::wstring_view deviceFolder) const {
  std::vector<std::string> found;
  const std::filesystem::path folder = Host(deviceFolder);
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_directory()) found.push_back(std::filesystem::relative(it->path(), folder).generic_string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<std::string> EngineDevice::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream log(Read(platform::kUpdateLogPath).value_or(""));
  // "(MM-DD HH:MM) ": digits where the pattern has 9.
  constexpr std::string_view stamp = "(99-99 99:99) ";
  for (std::string line; std::getline(log, line);) {
    bool stamped = line.size() >= stamp.size();
    for (std::size_t i = 0; stamped && i < stamp.size(); ++i) {
      stamped = stamp[i] == '9' ? line[i] >= '0' && line[i] <= '9' : line[i] == stamp[i];
    }
    if (stamped) {
      lines.push_back(line.substr(stamp.size()));
    } else {
      ADD_FAILURE() << "log line without its time stamp: " << line;
    }
  }
  return lines;
}

std::unique_ptr<platform::XmlNode> EngineDevice::Step(const std::string& document) {
  const std::wstring path = L"\\System\\step" + std::to_wstring(++steps_) + L".xml";
  Write(path, document);
  const std::unique_ptr<platform::XmlDocument> loaded = device.Services().xml.Load(path);
  if (!loaded) {
    ADD_FAILURE() << "not loaded: " << document;
    return nullptr;
  }
  std::unique_ptr<platform::XmlNode> root = loaded->DocumentElement();
  std::vector<std::unique_ptr<platform::XmlNode>> children = root->ChildNodes();
  if (children.empty()) return nullptr;
  return std::move(children.front());
}

}  // namespace initap::test
