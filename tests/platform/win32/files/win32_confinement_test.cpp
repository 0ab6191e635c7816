// No device path, whatever its text, reaches Windows paths outside the root.
#include <cstdlib>
#include <filesystem>

#include "platform/win32/files/device_names.h"
#include "platform/win32/files/win32_files.h"
#include "tests/platform/files/device_files.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using platform::FileStatus;
using platform::win32::DeviceAt;
using platform::win32::Win32FileSystem;

class Win32ConfinementTest : public FileSystemTest {};

TEST_F(Win32ConfinementTest, HostPathsWrittenIntoDevicePathsLeadNowhereOutside) {
  TempFolder outside;
  WriteHostFile(outside.path() / "secret.txt", "SECRET");
  device_.WriteDeviceFile("beside.txt", "SECRET");
  const std::wstring host = (outside.path() / "secret.txt").wstring();
  struct Case {
    std::wstring path;
    FileStatus status;
  };
  const Case cases[] = {
      {host, FileStatus::InvalidName},  // "C:\...": a drive
      {L"Z:\\etc\\passwd", FileStatus::InvalidName},
      {L"\\\\?\\" + host, FileStatus::InvalidName},
      {L"\\??\\unix\\etc\\passwd", FileStatus::InvalidName},
      {L"\\\\?\\unix\\etc\\passwd", FileStatus::InvalidName},
      {L"\\\\.\\" + host, FileStatus::InvalidName},
      {L"\\\\.\\PhysicalDrive0", FileStatus::FileNotFound},  // a name below the root
      {L"\\\\localhost\\c$\\secret.txt", FileStatus::PathNotFound},
      {L"\\\\server\\share\\secret.txt", FileStatus::PathNotFound},
      {L"..\\..\\..\\..\\beside.txt", FileStatus::FileNotFound},
      {L"\\FlashHd\\.. \\..\\beside.txt", FileStatus::InvalidName},  // Windows drops the space
      {L"\\FlashHd\\...\\beside.txt", FileStatus::InvalidName},
      {L"\\FlashHd\\CON", FileStatus::InvalidName},
      {L"\\FlashHd\\com1.txt", FileStatus::InvalidName},
      {L"\\FlashHd\\nul ", FileStatus::InvalidName},
      {L"\\FlashHd\\LPT9.log", FileStatus::InvalidName},
      {L"\\FlashHd\\CONOUT$", FileStatus::InvalidName},
  };
  for (const Case& c : cases) {
    const std::string path(c.path.begin(), c.path.end());
    EXPECT_EQ(Read(c.path), "<" + std::to_string(static_cast<unsigned>(c.status)) + ">") << path;
    if (c.status == FileStatus::InvalidName) {
      EXPECT_EQ(Files().ReplaceFile(c.path, "w"), c.status) << path;
    }
  }
  EXPECT_EQ(ReadHostFile(outside.path() / "secret.txt"), "SECRET");
  EXPECT_EQ(device_.ReadDeviceFile("beside.txt"), "SECRET");
  // Names that merely look alike are ordinary names.
  EXPECT_EQ(Files().ReplaceFile(L"\\FlashHd\\console.txt", "c"), FileStatus::Ok);
  EXPECT_EQ(Files().ReplaceFile(L"\\FlashHd\\COM10", "c"), FileStatus::Ok);
  EXPECT_EQ(List(L"\\FlashHd\\*.*"), (std::vector<std::wstring>{L"COM10", L"console.txt"}));
}

TEST_F(Win32ConfinementTest, AMountedFolderStandsInPlaceOfItsVolume) {
  TempFolder card;
  WriteHostFile(card.path() / "Map" / "x.txt", "card");
  device_.WriteFile("sd card/under.txt", "root");
  device_.WriteFile("FlashHd/a.txt", "a");
  platform::win32::DeviceFolder folder = DeviceAt(device_.Folder().wstring());
  folder.mounts.push_back({L"SD Card", card.path().wstring()});
  std::string error;
  files_ = Win32FileSystem::Open(folder, error);
  ASSERT_TRUE(files_) << error;

  EXPECT_EQ(Read(L"\\sd card\\map\\X.TXT"), "card");
  EXPECT_EQ(Read(L"\\sd card\\under.txt"), "<2>");  // not found
  EXPECT_EQ(Read(L"\\SD CARD\\..\\..\\FlashHd\\a.txt"), "a");
  EXPECT_EQ(List(L"\\*.*"), (std::vector<std::wstring>{L"FlashHd", L"SD Card", L"System", L"Windows"}));
  EXPECT_EQ(List(L"\\sd card"), std::vector<std::wstring>{L"SD Card"});
  EXPECT_EQ(Files().CreateDirectory(L"\\sd card"), FileStatus::AlreadyExists);

  // Files move and are written across the boundary, into the mounted folder.
  EXPECT_EQ(Files().MoveFile(L"\\FlashHd\\a.txt", L"\\sd card\\Map\\a.txt"), FileStatus::Ok);
  EXPECT_EQ(ReadHostFile(card.path() / "Map" / "a.txt"), "a");
  EXPECT_FALSE(fs::exists(device_.Folder() / "root" / "FlashHd" / "a.txt"));
  EXPECT_EQ(Files().ReplaceFile(L"\\sd card\\new.txt", "n"), FileStatus::Ok);
  EXPECT_EQ(Files().FlushVolume(L"\\sd card\\new.txt"), FileStatus::Ok);
  EXPECT_EQ(ReadHostFile(card.path() / "new.txt"), "n");
  EXPECT_EQ(device_.ReadFile("sd card/under.txt"), "root");

  folder.mounts.push_back({L"sd CARD", card.path().wstring()});
  EXPECT_FALSE(Win32FileSystem::Open(folder, error));
  EXPECT_EQ(error, "volume \"sd CARD\" is mounted twice");
  folder.mounts = {{L"sd card", (card.path() / "none").wstring()}};
  EXPECT_FALSE(Win32FileSystem::Open(folder, error));
  EXPECT_EQ(error, "mount folder " + (card.path() / "none").string() + " is not a folder");
}

TEST(Win32FileSystemOpenTest, ADeviceWhoseLinkLeadsOutIsRefused) {
  // Made by the test run on the host's side: Windows programs cannot make links.
  const char* devices = std::getenv("INITAP_LINKED_DEVICES");
  if (devices == nullptr) GTEST_SKIP() << "run through ctest, which makes the linked devices";
  const fs::path folder(devices);
  std::string error;
  auto inside = Win32FileSystem::Open(DeviceAt((folder / "inside").wstring()), error);
  ASSERT_TRUE(inside) << error;
  std::string bytes;
  EXPECT_EQ(inside->ReadFile(L"\\Flash\\A.TXT", bytes), FileStatus::Ok);
  EXPECT_EQ(bytes, "a\n");
  EXPECT_FALSE(Win32FileSystem::Open(DeviceAt((folder / "outside").wstring()), error));
  EXPECT_NE(error.find("FlashHd\\out leads out of the device"), std::string::npos) << error;
}

TEST(Win32FileSystemOpenTest, ADeviceWithoutRootIsRefused) {
  TempFolder device;
  std::string error;
  EXPECT_FALSE(Win32FileSystem::Open(DeviceAt(device.path().wstring()), error));
  EXPECT_EQ(error, "no folder root\\ in " + device.path().string());
}

}  // namespace
}  // namespace initap::test
