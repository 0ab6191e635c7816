#include "platform/win32/shell/win32_shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/win32/kernel/win32_kernel.h"
#include "tests/support/device_tree.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using platform::win32::DeviceAt;
using platform::win32::Win32FileSystem;
using platform::win32::Win32Kernel;
using platform::win32::Win32Shell;

// Waits for a file the started program writes; programs run detached.
bool Appears(const fs::path& file) {
  for (int i = 0; i < 1000 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fs::exists(file);
}

TEST(Win32ShellTest, OnlyWindowsProgramsOnTheDeviceStartAndEveryRequestIsNoted) {
  DeviceTree device;
  device.MakeFolder("Windows/Folder");
  fs::copy_file(INITAP_STARTED_PROGRAM, device.Host("Windows/nav.exe"));
  fs::copy_file(INITAP_STARTED_PROGRAM, device.Host("Windows/explorer"));
  device.WriteFile("Windows/script.exe", "#!/bin/sh\ntouch started\n", true);
  const auto folder = DeviceAt(device.Folder().wstring());
  std::string error;
  auto files = Win32FileSystem::Open(folder, error);
  ASSERT_TRUE(files) << error;
  Win32Kernel kernel(folder);
  std::vector<std::string> echoed;
  Win32Shell shell(folder, *files, kernel, [&](std::string_view line) { echoed.emplace_back(line); });

  struct Case {
    const wchar_t* file;
    bool started;
    const char* ran;  // what the started program leaves, below root/
  };
  const Case cases[] = {
      {L"\\WINDOWS\\NAV.EXE", true, "Windows/nav.exe.ran"},
      {L"explorer", true, "Windows/explorer.ran"},  // no \Windows\explorer.exe: the file without extension
      {L"\\Windows\\script.exe", false, nullptr},   // no Windows program
      {L"\\Windows\\missing.exe", false, nullptr},
      {L"\\Windows\\Folder", false, nullptr},
      {L"", false, nullptr},
  };
  std::string expected;
  for (const Case& c : cases) {
    const std::wstring file = c.file;
    const std::string name(file.begin(), file.end());
    EXPECT_EQ(shell.Execute(c.file), c.started) << name;
    if (c.ran != nullptr) {
      EXPECT_TRUE(Appears(device.Host(c.ran))) << name;
    }
    expected += (c.started ? "started " : "failed ") + name + "\n";
  }
  // "(MM-DD HH:MM) " before each line.
  std::istringstream log(device.ReadDeviceFile("launched.log"));
  std::string lines;
  for (std::string line; std::getline(log, line);) {
    ASSERT_GE(line.size(), 14u) << line;
    EXPECT_TRUE(line[0] == '(' && line[3] == '-' && line[6] == ' ' && line[9] == ':' && line[12] == ')') << line;
    lines += line.substr(14) + "\n";
  }
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(echoed.size(), std::size(cases));
  EXPECT_FALSE(device.Exists("Windows/started"));
}

}  // namespace
}  // namespace initap::test
