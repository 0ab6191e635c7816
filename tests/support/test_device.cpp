#include "tests/support/test_device.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace initap::test {

namespace fs = std::filesystem;

namespace {

void WriteHostFile(const fs::path& file, std::string_view content) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string ReadHostFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

TestDevice::TestDevice(std::string_view deviceIni) {
  for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) {
    fs::create_directories(folder_.path() / "root" / volume);
  }
  if (!deviceIni.empty()) WriteDeviceFile("device.ini", deviceIni);
}

TestDevice::~TestDevice() = default;

fs::path TestDevice::Host(std::string_view rootRelative) const { return folder_.path() / "root" / rootRelative; }

platform::host::HostPlatform& TestDevice::Host() {
  if (!host_) {
    platform::host::CommandLine line;
    line.device.folder = folder_.path();
    std::string error;
    host_ = platform::host::HostPlatform::Create(line, {}, error);
    if (!host_) {
      ADD_FAILURE() << "the test device does not open: " << error;
      std::abort();
    }
  }
  return *host_;
}

platform::Platform& TestDevice::Services() { return Host().Services(); }

platform::Platform TestDevice::WithWindows(platform::WindowSystem& windows) {
  const platform::Platform& s = Services();
  return platform::Platform{s.kernel, s.files, windows, s.graphics, s.xml, s.shell, s.gps, s.disks, s.registry,
                            s.codePage};
}

void TestDevice::WriteFile(std::string_view rootRelative, std::string_view content, bool executable) {
  const fs::path file = Host(rootRelative);
  WriteHostFile(file, content);
  if (executable) fs::permissions(file, fs::perms::owner_exec | fs::perms::group_exec, fs::perm_options::add);
}

std::string TestDevice::ReadFile(std::string_view rootRelative) const { return ReadHostFile(Host(rootRelative)); }

bool TestDevice::Exists(std::string_view rootRelative) const { return fs::exists(Host(rootRelative)); }

bool TestDevice::IsFolder(std::string_view rootRelative) const { return fs::is_directory(Host(rootRelative)); }

void TestDevice::MakeFolder(std::string_view rootRelative) { fs::create_directories(Host(rootRelative)); }

void TestDevice::RemoveFile(std::string_view rootRelative) { fs::remove(Host(rootRelative)); }

void TestDevice::RemoveFolder(std::string_view rootRelative) { fs::remove_all(Host(rootRelative)); }

void TestDevice::WriteDeviceFile(std::string_view name, std::string_view content) {
  WriteHostFile(folder_.path() / name, content);
}

std::string TestDevice::ReadDeviceFile(std::string_view name) const { return ReadHostFile(folder_.path() / name); }

}  // namespace initap::test
