// A device folder made for one test, filled and read from the host side.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "tests/support/temp_folder.h"

namespace initap::test {

class DeviceTree {
 public:
  // root/ with the volumes "sd card", "FlashHd", "System" and "Windows";
  // `deviceIni` becomes device.ini when not empty.
  explicit DeviceTree(std::string_view deviceIni = {});

  const std::filesystem::path& Folder() const { return folder_.path(); }
  // The host path of a path below root/, written with slashes ("sd card/update.xml").
  std::filesystem::path Host(std::string_view rootRelative) const;

  // Writes a file below root/, creating its folders; executable or not as asked.
  void WriteFile(std::string_view rootRelative, std::string_view content, bool executable = false);
  std::string ReadFile(std::string_view rootRelative) const;
  bool Exists(std::string_view rootRelative) const;
  bool IsFolder(std::string_view rootRelative) const;
  void MakeFolder(std::string_view rootRelative);
  void RemoveFile(std::string_view rootRelative);
  void RemoveFolder(std::string_view rootRelative);
  // A file beside root/ (device.ini, gps.nmea, registry.reg, launched.log, ...).
  void WriteDeviceFile(std::string_view name, std::string_view content);
  std::string ReadDeviceFile(std::string_view name) const;
  bool DeviceFileExists(std::string_view name) const;

 private:
  TempFolder folder_;
};

}  // namespace initap::test
