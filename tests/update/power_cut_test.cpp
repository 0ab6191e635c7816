// Power cuts during a large folder copy: initap killed at twenty moments
// spread over the copy's progress, then booted again. No destination file may ever show a
// half-written state, and the second boot must leave the device as one
// uninterrupted boot does.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "tests/support/file_tree.h"
#include "tests/support/host_files.h"
#include "tests/support/initap_process.h"
#include "tests/support/nmea_sentence.h"
#include "tests/support/test_device.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The tree the card copies, and the older files of its first folder that the copy replaces.
constexpr FileTree kTree{.folders = 3, .filesPerFolder = 100, .fileSize = 64 * 1024};
constexpr FileTree kOldFiles{.folders = 1, .filesPerFolder = 100, .fileSize = 40 * 1024, .version = 1};
constexpr int kMoments = 20;

// The files of the destination that have their new size: those the copy has put in place.
int CopiedSoFar(const fs::path& destination) {
  int copied = 0;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(destination, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code sizeError;
    if (it->path().filename().string().front() != '.' && it->file_size(sizeError) == kTree.fileSize) ++copied;
  }
  return copied;
}

// Everything below root/ but the log, whose stamps and lines differ from boot to boot.
std::map<std::string, std::string> Snapshot(const TestDevice& device) {
  std::map<std::string, std::string> files;
  const fs::path root = device.Host("");
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).generic_string();
    if (name == "FlashHd/updatelog.txt") continue;
    files[name] = entry.is_directory() ? "folder" : ReadHostFile(entry.path());
  }
  return files;
}

class PowerCut : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kInitap)) GTEST_SKIP() << kInitap << " is not built";
    kTree.Write(original.Host("sd card/big"));
    // Some files replace older ones, which must stay whole until then.
    kOldFiles.Write(original.Host("FlashHd/big"));
    // One second of a receiver with a fix, so that each boot sets its clock at once.
    original.WriteDeviceFile("gps.nmea", NmeaSentence("GPRMC,101010,A,4221.4394,N,01321.9948,E,0.0,0.0,290224,,,A"));
    original.WriteFile("sd card/update.xml",
                       "<?xml version=\"1.0\"?>\n<config>\n<logo_showtime>0</logo_showtime>\n"
                       "<exit_showtime>0</exit_showtime>\n<update>\n"
                       "<copy from=\"\\sd card\\big\\\" to=\"\\FlashHd\\big\\\"/>\n</update>\n</config>\n");
  }

  // A new device holding what the original holds.
  void CopyOriginal(TestDevice& device) {
    fs::copy(original.Host(""), device.Host(""), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const char* file : {"device.ini", "gps.nmea"}) fs::copy(original.Folder() / file, device.Folder() / file);
  }

  // Every file of the destination holds its old content or all of its new one.
  void ExpectNoHalfWrittenFile(const TestDevice& device) {
    const fs::path destination = device.Host("FlashHd/big");
    if (!fs::exists(destination)) return;
    for (const auto& entry : fs::recursive_directory_iterator(destination)) {
      if (entry.is_directory()) continue;
      const std::string name = fs::relative(entry.path(), destination).generic_string();
      int folder = -1;
      int file = -1;
      if (std::sscanf(name.c_str(), "p%d/f%d.bin", &folder, &file) != 2 || FileTree::Name(folder, file) != name) {
        continue;  // not a destination name: the second boot's comparison judges it
      }
      const std::string content = ReadHostFile(entry.path());
      EXPECT_TRUE(content == kTree.Content(folder, file) || (folder == 0 && content == kOldFiles.Content(folder, file)))
          << name << " holds " << content.size() << " bytes of neither version";
    }
  }

  TestDevice original{"[device]\ntimezone = UTC\n"};
};

TEST_F(PowerCut, CopyInterruptedAnywhereEndsAsAnUninterruptedOne) {
  TestDevice reference;
  CopyOriginal(reference);
  {
    InitapProcess boot(reference.Folder());
    EXPECT_EQ(boot.Finish(), 1);
  }
  const std::map<std::string, std::string> expected = Snapshot(reference);
  ASSERT_EQ(expected.count("FlashHd/big/p2/f99.bin"), 1u);
  ASSERT_EQ(expected.count("sd card/update.xml"), 0u);

  std::mt19937 random(20240607);
  const int files = kTree.folders * kTree.filesPerFolder;
  for (int moment = 0; moment < kMoments; ++moment) {
    // Each cut falls at a random file of its own twentieth of the copy.
    const int target = moment * files / kMoments + static_cast<int>(random() % (files / kMoments));
    SCOPED_TRACE("power cut once " + std::to_string(target) + " files were copied");

    TestDevice device;
    CopyOriginal(device);
    {
      InitapProcess boot(device.Folder());
      ASSERT_TRUE(boot.WaitFor("found update file")) << boot.Output();
      const fs::path destination = device.Host("FlashHd/big");
      const auto deadline = Clock::now() + std::chrono::minutes(1);
      while (CopiedSoFar(destination) < target && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      boot.Kill();
    }
    ExpectNoHalfWrittenFile(device);
    {
      InitapProcess boot(device.Folder());
      EXPECT_EQ(boot.Finish(), 1);
    }
    const std::map<std::string, std::string> after = Snapshot(device);
    for (const auto& [name, content] : after) {
      const auto it = expected.find(name);
      EXPECT_TRUE(it != expected.end() && it->second == content) << name << " differs from the uninterrupted boot";
    }
    for (const auto& [name, content] : expected) EXPECT_EQ(after.count(name), 1u) << name << " is missing";
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace initap::test
