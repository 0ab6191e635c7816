// An application record on a test device whose raw disk can be written and
// whose opens and reads of it are counted, with the screen's pixels at hand.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/init_ap.h"
#include "display/oem_logo.h"
#include "platform/common/oem_logo_layout.h"
#include "platform/host/graphics/host_graphics.h"
#include "platform/host/host_platform.h"
#include "tests/support/corpus.h"
#include "tests/support/drawn_logo.h"
#include "tests/support/test_device.h"

namespace initap::test {

using Rgb = std::array<std::uint8_t, 3>;

// Passes opens and reads on to the device's disk, counting them.
class CountingDisks final : public platform::RawDiskService {
 public:
  explicit CountingDisks(platform::RawDiskService& disks) : disks_(disks) {}

  std::unique_ptr<platform::RawDisk> Open(std::wstring_view device) override {
    ++opens;
    auto disk = disks_.Open(device);
    if (!disk) return nullptr;
    return std::make_unique<Disk>(std::move(disk), reads);
  }

  std::atomic<int> opens{0};
  std::atomic<int> reads{0};

 private:
  class Disk final : public platform::RawDisk {
   public:
    Disk(std::unique_ptr<platform::RawDisk> disk, std::atomic<int>& reads) : disk_(std::move(disk)), reads_(reads) {}
    bool ReadSectors(std::uint32_t first, std::uint32_t count, std::span<std::uint8_t> buffer) override {
      ++reads_;
      return disk_->ReadSectors(first, count, buffer);
    }

   private:
    std::unique_ptr<platform::RawDisk> disk_;
    std::atomic<int>& reads_;
  };

  platform::RawDiskService& disks_;
};

class LogoFixture : public ::testing::Test {
 protected:
  LogoFixture()
      : disks_(device_.Services().disks),
        platform_(WithDisks(device_.Services(), disks_)),
        app_(std::make_unique<Init_AP>(platform_)) {}

  static platform::Platform WithDisks(platform::Platform& s, platform::RawDiskService& disks) {
    return platform::Platform{s.kernel, s.files, s.windows, s.graphics, s.xml,
                              s.shell,  s.gps,   disks,     s.registry, s.codePage};
  }

  // What the start-up sequence does before the first paint: zeroed logo buffers and the defaults.
  static void Prepare(Init_AP& app) {
    app.oemLogoRaw = std::make_unique<std::uint8_t[]>(platform::kOemLogoRawBytes);
    app.oemLogoRgb = std::make_unique<std::uint8_t[]>(kOemLogoRgbBytes);
    app.oemLogoReady = 0;
    app.SetDefaults();
  }

  // A disk image of `sectors` sectors, 0xA5 everywhere but the logo bytes.
  void WriteDisk(const std::vector<std::uint8_t>& logo, std::size_t sectors = 1024) {
    std::vector<char> image(sectors * platform::kSectorSize, static_cast<char>(0xA5));
    std::copy(logo.begin(), logo.end(), image.begin() + platform::kOemLogoOffset);
    std::ofstream(device_.Folder() / "disk.img", std::ios::binary).write(image.data(), image.size());
  }

  // How the device shows 5-6-5 pixels: the channels' top bits, the low bits
  // zero; blue, green, red as the screen keeps them.
  static std::vector<std::uint8_t> Shown(const std::vector<std::uint8_t>& logo) {
    std::vector<std::uint8_t> bgr;
    for (std::size_t i = 0; i + 1 < logo.size(); i += 2) {
      const unsigned v = logo[i] | logo[i + 1] << 8;
      bgr.push_back(static_cast<std::uint8_t>((v & 0x1F) << 3));
      bgr.push_back(static_cast<std::uint8_t>(((v >> 5) & 0x3F) << 2));
      bgr.push_back(static_cast<std::uint8_t>((v >> 11) << 3));
    }
    return bgr;
  }

  const platform::host::ScreenImage& Screen() { return device_.Host().Graphics().Screen(); }
  // Red, green, blue of a screen pixel.
  Rgb At(int x, int y) {
    const std::uint8_t* p = Screen().pixels.data() + (static_cast<std::size_t>(y) * Screen().width + x) * 3;
    return {p[2], p[1], p[0]};
  }

  std::string DebugLog() { return device_.ReadDeviceFile("debug.log"); }

  TestDevice device_;
  CountingDisks disks_;
  platform::Platform platform_;
  std::unique_ptr<Init_AP> app_;
};

// Which logo the disk holds: the tests' own drawing or the outside picture.
enum class LogoSource { Drawn, Corpus };

inline void PrintTo(LogoSource source, std::ostream* out) {
  *out << (source == LogoSource::Drawn ? "Drawn" : "Corpus");
}

// Names a test after the logo it runs on.
inline std::string LogoName(const ::testing::TestParamInfo<LogoSource>& info) {
  return ::testing::PrintToString(info.param);
}

// The same tests on each logo; those on the outside picture are skipped where it is missing.
class OnEachLogo : public LogoFixture, public ::testing::WithParamInterface<LogoSource> {
 protected:
  void SetUp() override {
    if (GetParam() == LogoSource::Corpus) INITAP_SKIP_WITHOUT_CORPUS();
  }

  // The logo as 5-6-5 pixels.
  std::vector<std::uint8_t> LogoPixels() const {
    if (GetParam() == LogoSource::Drawn) return DrawnLogo();
    const std::string raw = ReadCorpusFile("img/astronaut_240x400.rgb565le.raw");
    EXPECT_EQ(raw.size(), 192000u);
    return {raw.begin(), raw.end()};
  }
};

}  // namespace initap::test
