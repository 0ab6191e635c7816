// A device folder made for one test, with the host platform opened on it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host/host_platform.h"
#include "tests/support/temp_folder.h"

namespace initap::test {

class TestDevice {
 public:
  // root/ with the volumes "sd card", "FlashHd", "System" and "Windows";
  // `deviceIni` becomes device.ini when not empty.
  explicit TestDevice(std::string_view deviceIni = {});
  ~TestDevice();

  const std::filesystem::path& Folder() const { return folder_.path(); }
  // The host path of a path below root/, written with slashes ("sd card/update.xml").
  std::filesystem::path Host(std::string_view rootRelative) const;

  // The platform, opened on first use so that files written before it count.
  platform::Platform& Services();
  platform::host::HostPlatform& Host();
  // The same services with another window system in place of the host's.
  platform::Platform WithWindows(platform::WindowSystem& windows);

  void WriteFile(std::string_view rootRelative, std::string_view content, bool executable = false);
  std::string ReadFile(std::string_view rootRelative) const;
  bool Exists(std::string_view rootRelative) const;
  bool IsFolder(std::string_view rootRelative) const;
  void MakeFolder(std::string_view rootRelative);
  void RemoveFile(std::string_view rootRelative);
  void RemoveFolder(std::string_view rootRelative);
  // A file beside root/ (device.ini, gps.nmea, registry.reg, ...).
  void WriteDeviceFile(std::string_view name, std::string_view content);
  std::string ReadDeviceFile(std::string_view name) const;

 private:
  TempFolder folder_;
  std::unique_ptr<platform::host::HostPlatform> host_;
};

}  // namespace initap::test
