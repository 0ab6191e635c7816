#include "tests/e2e/device_under_test.h"

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

DeviceUnderTest::DeviceUnderTest(std::string_view deviceIni) {
  for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) {
    fs::create_directories(folder_.path() / "root" / volume);
  }
  if (!deviceIni.empty()) WriteDeviceFile("device.ini", deviceIni);
}

fs::path DeviceUnderTest::Host(std::string_view rootRelative) const {
  return folder_.path() / "root" / rootRelative;
}

void DeviceUnderTest::WriteFile(std::string_view rootRelative, std::string_view content, bool executable) {
  const fs::path file = Host(rootRelative);
  WriteHostFile(file, content);
  const fs::perms exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  fs::permissions(file, exec, executable ? fs::perm_options::add : fs::perm_options::remove);
}

std::string DeviceUnderTest::ReadFile(std::string_view rootRelative) const { return ReadHostFile(Host(rootRelative)); }

bool DeviceUnderTest::Exists(std::string_view rootRelative) const { return fs::exists(Host(rootRelative)); }

void DeviceUnderTest::MakeFolder(std::string_view rootRelative) { fs::create_directories(Host(rootRelative)); }

void DeviceUnderTest::RemoveFolder(std::string_view rootRelative) { fs::remove_all(Host(rootRelative)); }

void DeviceUnderTest::WriteDeviceFile(std::string_view name, std::string_view content) {
  WriteHostFile(folder_.path() / name, content);
}

std::string DeviceUnderTest::ReadDeviceFile(std::string_view name) const {
  return ReadHostFile(folder_.path() / name);
}

bool DeviceUnderTest::DeviceFileExists(std::string_view name) const { return fs::exists(folder_.path() / name); }

}  // namespace initap::test
