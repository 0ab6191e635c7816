#include "tests/support/device_tree.h"

#include "tests/support/host_files.h"

namespace initap::test {

namespace fs = std::filesystem;

DeviceTree::DeviceTree(std::string_view deviceIni) {
  for (const char* volume : {"sd card", "FlashHd", "System", "Windows"}) {
    fs::create_directories(folder_.path() / "root" / volume);
  }
  if (!deviceIni.empty()) WriteDeviceFile("device.ini", deviceIni);
}

fs::path DeviceTree::Host(std::string_view rootRelative) const {
  // UTF-8 names on every host, Windows included.
  return folder_.path() / "root" / fs::path(std::u8string(rootRelative.begin(), rootRelative.end()));
}

void DeviceTree::WriteFile(std::string_view rootRelative, std::string_view content, bool executable) {
  const fs::path file = Host(rootRelative);
  WriteHostFile(file, content);
  // Cleared as well as set: a file written again is executable only when asked.
  const fs::perms exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  std::error_code unwritten;  // a write that failed shows in what the test reads back
  fs::permissions(file, exec, executable ? fs::perm_options::add : fs::perm_options::remove, unwritten);
}

std::string DeviceTree::ReadFile(std::string_view rootRelative) const { return ReadHostFile(Host(rootRelative)); }

bool DeviceTree::Exists(std::string_view rootRelative) const { return fs::exists(Host(rootRelative)); }

bool DeviceTree::IsFolder(std::string_view rootRelative) const { return fs::is_directory(Host(rootRelative)); }

void DeviceTree::MakeFolder(std::string_view rootRelative) { fs::create_directories(Host(rootRelative)); }

void DeviceTree::RemoveFile(std::string_view rootRelative) { fs::remove(Host(rootRelative)); }

void DeviceTree::RemoveFolder(std::string_view rootRelative) { fs::remove_all(Host(rootRelative)); }

void DeviceTree::WriteDeviceFile(std::string_view name, std::string_view content) {
  WriteHostFile(folder_.path() / name, content);
}

std::string DeviceTree::ReadDeviceFile(std::string_view name) const { return ReadHostFile(folder_.path() / name); }

bool DeviceTree::DeviceFileExists(std::string_view name) const { return fs::exists(folder_.path() / name); }

}  // namespace initap::test
