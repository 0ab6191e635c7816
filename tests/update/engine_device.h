// A device for the update engine's tests: the host platform with its file
// system behind a wrapper that fails on cue, a window system that records
// each paint and posted message, and an XML service that notes releases.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/init_ap.h"
#include "platform/platform.h"
#include "tests/support/faulty_files.h"
#include "tests/support/test_device.h"

namespace initap::test {

// What one paint shows: the status line and the two progress counts.
struct Paint {
  std::wstring text;
  std::int32_t done = 0;
  std::int32_t total = 0;
  friend bool operator==(const Paint&, const Paint&) = default;
};
std::ostream& operator<<(std::ostream& out, const Paint& paint);

// Every synchronous repaint is a paint; messages are kept, not delivered.
class RecordingWindows final : public platform::WindowSystem {
 public:
  explicit RecordingWindows(std::vector<std::string>& journal) : journal_(journal) {}
  // The record whose fields a paint shows.
  void Show(const Init_AP& app) { app_ = &app; }

  std::vector<Paint> paints;
  std::vector<std::uint32_t> messages;

  platform::WindowHandle CreateWindow(platform::WindowProcedure&) override { return 0; }
  void ShowWindow(platform::WindowHandle, int) override {}
  bool DestroyWindow(platform::WindowHandle) override { return false; }
  bool PostMessage(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override;
  void PostQuitMessage(int) override {}
  bool GetMessage(platform::Message&) override { return false; }
  std::intptr_t DispatchMessage(const platform::Message&) override { return 0; }
  std::intptr_t DefWindowProc(platform::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override {
    return 0;
  }
  void InvalidateWindow(platform::WindowHandle) override {}
  bool UpdateWindow(platform::WindowHandle) override;

 private:
  std::vector<std::string>& journal_;
  const Init_AP* app_ = nullptr;
};

// The XML service, noting in the journal when a loaded document is released.
class JournalXml final : public platform::Xml {
 public:
  JournalXml(platform::Xml& inner, std::vector<std::string>& journal) : inner_(inner), journal_(journal) {}
  std::unique_ptr<platform::XmlDocument> Load(std::wstring_view path) override;

 private:
  platform::Xml& inner_;
  std::vector<std::string>& journal_;
};

// A device with the five volumes, its record set to defaults and to the SD card's description.
class EngineDevice {
 public:
  EngineDevice();

  // The host path of a device path (written with the case it is given).
  std::filesystem::path Host(std::wstring_view devicePath) const;
  // Writes a file, creating its folders.
  void Write(std::wstring_view devicePath, const std::string& content);
  // The content of a file; none when it is missing.
  std::optional<std::string> Read(std::wstring_view devicePath) const;
  bool Exists(std::wstring_view devicePath) const;
  // The files below a folder, as paths relative to it with "/", sorted.
  std::vector<std::string> FilesBelow(std::wstring_view deviceFolder) const;
  // The update log's lines without their time stamps.
  std::vector<std::string> LogLines() const;
  // The first child of the root element of `document`, which is written to a scratch file.
  std::unique_ptr<platform::XmlNode> Step(const std::string& document);

  TestDevice device;
  std::vector<std::string> journal;  // posted messages and document releases, in order
  FaultyFiles files;
  RecordingWindows windows;
  JournalXml xml;
  platform::Platform platform;
  Init_AP app;

 private:
  int steps_ = 0;
};

}  // namespace initap::test
