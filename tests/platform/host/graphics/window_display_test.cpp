// The window display on a private X desktop: what the window shows is the
// screen as painted, the screenshot agrees with it, and a person's close
// request reaches the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/common/oem_logo_layout.h"
#include "platform/host/graphics/display_options.h"
#include "platform/host/graphics/png_file.h"
#include "tests/platform/host/graphics/x_server.h"
#include "tests/support/drawn_logo.h"
#include "tests/support/temp_folder.h"

namespace initap::test {
namespace {

namespace fs = std::filesystem;
using platform::host::ScreenImage;

class WindowDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xwd", "xdotool"}) {
      if (!HasProgram(tool)) {
        GTEST_SKIP() << tool << " is not installed";
      }
    }
    std::string error;
    ASSERT_TRUE(server_.Start(error)) << error;
  }

  // Captures the window until it shows `expected`, as it does once the X
  // server has drawn the frame; the last capture.
  ScreenImage CaptureWhenShown(unsigned long window, const ScreenImage& expected,
                               platform::host::DisplayDriver* display = nullptr) {
    ScreenImage capture;
    for (int attempt = 0; attempt < 100; ++attempt) {
      if (display) {
        EXPECT_FALSE(display->Poll());
      }
      std::string error;
      if (server_.Capture(window, capture, error) && capture.pixels == expected.pixels) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return capture;
  }

  static ScreenImage ReadPicture(const fs::path& file) {
    ScreenImage picture;
    std::string error;
    EXPECT_TRUE(platform::host::ReadPng(file, picture, error)) << error;
    return picture;
  }

  XServer server_;
  TempFolder folder_;
};

TEST_F(WindowDisplayTest, WindowShowsTheScreenAndHearsTheCloseRequest) {
  setenv("DISPLAY", server_.Display().c_str(), 1);
  platform::host::DisplayOptions options;
  options.window = true;
  options.screenshot = folder_.path() / "shot.png";
  std::string error;
  auto display = platform::host::MakeDisplayDriver(options, error);
  ASSERT_TRUE(display) << error;
  EXPECT_FALSE(display->Headless());

  const ScreenImage picture = ReadPicture(fs::path(INITAP_SOURCE_DIR) / "examples/demo-logo.png");
  display->Show(picture);
  const unsigned long window = server_.FindWindow("initap", 20);
  ASSERT_NE(window, 0u);
  const ScreenImage capture = CaptureWhenShown(window, picture, display.get());
  EXPECT_EQ(capture.width, 240);
  EXPECT_EQ(capture.height, 400);
  EXPECT_TRUE(capture.pixels == picture.pixels) << "the window does not show the frame";

  display->Finish(picture);
  EXPECT_TRUE(ReadPicture(*options.screenshot).pixels == capture.pixels);

  ASSERT_TRUE(server_.RequestClose(window, error)) << error;
  bool closeAsked = false;
  for (int attempt = 0; attempt < 500 && !closeAsked; ++attempt) {
    closeAsked = display->Poll();
    if (!closeAsked) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(closeAsked);
  // One request is reported once.
  EXPECT_FALSE(display->Poll());
}

TEST_F(WindowDisplayTest, WithoutADesktopTheWindowCannotOpenAndTheMessageSaysWhatToDo) {
  const char* savedDisplay = std::getenv("DISPLAY");
  const char* savedWayland = std::getenv("WAYLAND_DISPLAY");
  const std::string previousDisplay = savedDisplay ? savedDisplay : "";
  const std::string previousWayland = savedWayland ? savedWayland : "";
  unsetenv("WAYLAND_DISPLAY");
  // No desktop named at all, then one that is not there.
  for (const char* display : {static_cast<const char*>(nullptr), ":31999"}) {
    if (display)
      setenv("DISPLAY", display, 1);
    else
      unsetenv("DISPLAY");
    platform::host::DisplayOptions options;
    options.window = true;
    std::string error;
    EXPECT_FALSE(platform::host::MakeDisplayDriver(options, error));
    EXPECT_NE(error.find("cannot open a window"), std::string::npos) << error;
    EXPECT_NE(error.find("--display headless"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  if (savedDisplay)
    setenv("DISPLAY", previousDisplay.c_str(), 1);
  else
    unsetenv("DISPLAY");
  if (savedWayland) setenv("WAYLAND_DISPLAY", previousWayland.c_str(), 1);
}

// The initap program with the window display on a device whose disk holds
// a logo: the run leaves the window open, showing the logo alone.
TEST_F(WindowDisplayTest, InitapWindowShowsTheLogoUntilAPersonClosesIt) {
  const fs::path initap = fs::path(INITAP_BINARY_DIR) / "initap";
  if (!fs::exists(initap)) GTEST_SKIP() << "initap is not built";
  const fs::path device = folder_.path() / "device";
  for (const char* volume : {"sd card", "FlashHd", "System", "Windows"})
    fs::create_directories(device / "root" / volume);
  const std::vector<std::uint8_t> drawn = DrawnLogo();
  std::vector<char> disk(platform::kOemLogoOffset + platform::kOemLogoRawBytes, 0);
  std::copy(drawn.begin(), drawn.end(), disk.begin() + platform::kOemLogoOffset);
  std::ofstream(device / "disk.img", std::ios::binary).write(disk.data(), disk.size());
  ScreenImage logo{platform::kOemLogoWidth, platform::kOemLogoHeight, {}};
  for (std::size_t i = platform::kOemLogoOffset; i < disk.size(); i += 2) {
    const unsigned v = static_cast<std::uint8_t>(disk[i]) | static_cast<std::uint8_t>(disk[i + 1]) << 8;
    logo.pixels.push_back(static_cast<std::uint8_t>((v & 0x1F) << 3));
    logo.pixels.push_back(static_cast<std::uint8_t>(((v >> 5) & 0x3F) << 2));
    logo.pixels.push_back(static_cast<std::uint8_t>((v >> 11) << 3));
  }

  const fs::path shot = folder_.path() / "shot.png";
  const pid_t run = StartProgram({"env", "DISPLAY=" + server_.Display(), initap.string(), "--quiet", "--display",
                                  "window", "--screenshot", shot.string(), device.string()});
  ASSERT_GT(run, 0);
  // Should the test end early, the program is ended before its folder goes.
  struct Reaper {
    pid_t run;
    bool reaped = false;
    ~Reaper() {
      if (!reaped) WaitProgram(run, 0);
    }
  } reaper{run};
  const unsigned long window = server_.FindWindow("initap", 30);
  ASSERT_NE(window, 0u);
  const ScreenImage capture = CaptureWhenShown(window, logo);
  EXPECT_TRUE(capture.pixels == logo.pixels) << "the window does not show the logo";

  std::string error;
  ASSERT_TRUE(server_.RequestClose(window, error)) << error;
  EXPECT_EQ(WaitProgram(run, 30), 1);
  reaper.reaped = true;
  EXPECT_TRUE(ReadPicture(shot).pixels == capture.pixels);
}

}  // namespace
}  // namespace initap::test
