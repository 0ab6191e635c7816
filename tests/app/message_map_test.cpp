#include "app/init_ap.h"

#include <gtest/gtest.h>

#include "app/program_entry.h"
#include "display/oem_logo.h"
#include "tests/support/test_device.h"

namespace initap {
namespace {

// A window system that records what reaches the default handling and the quit message.
class RecordingWindows final : public platform::WindowSystem {
 public:
  explicit RecordingWindows(platform::WindowSystem& real) : real_(real) {}
  platform::WindowHandle CreateWindow(platform::WindowProcedure& procedure) override {
    return real_.CreateWindow(procedure);
  }
  void ShowWindow(platform::WindowHandle window, int show) override { real_.ShowWindow(window, show); }
  bool DestroyWindow(platform::WindowHandle window) override { return real_.DestroyWindow(window); }
  bool PostMessage(platform::WindowHandle window, std::uint32_t message, std::uintptr_t w, std::intptr_t l) override {
    return real_.PostMessage(window, message, w, l);
  }
  void PostQuitMessage(int code) override {
    quitCodes.push_back(code);
    real_.PostQuitMessage(code);
  }
  bool GetMessage(platform::Message& message) override { return real_.GetMessage(message); }
  std::intptr_t DispatchMessage(const platform::Message& message) override { return real_.DispatchMessage(message); }
  std::intptr_t DefWindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t w,
                              std::intptr_t l) override {
    defaulted.push_back(message);
    return real_.DefWindowProc(window, message, w, l);
  }
  void InvalidateWindow(platform::WindowHandle window) override { real_.InvalidateWindow(window); }
  bool UpdateWindow(platform::WindowHandle window) override { return real_.UpdateWindow(window); }

  std::vector<std::uint32_t> defaulted;
  std::vector<int> quitCodes;

 private:
  platform::WindowSystem& real_;
};

class MessageMapTest : public ::testing::Test {
 protected:
  test::TestDevice device;
  RecordingWindows windows{device.Services().windows};
  platform::Platform services{device.WithWindows(windows)};
  Init_AP app{services};

  std::intptr_t Send(std::uint32_t message) { return app.WindowProc(0x10, message, 0, 0); }
};

TEST_F(MessageMapTest, UnusedPrivateMessageGoesToTheDefaultHandling) {
  EXPECT_EQ(Send(platform::WM_USER + 103), 0);
  EXPECT_EQ(windows.defaulted, std::vector<std::uint32_t>{platform::WM_USER + 103});
}

TEST_F(MessageMapTest, EraseBackgroundCountsAsErasedAndReachesNothingElse) {
  EXPECT_EQ(Send(platform::WM_ERASEBKGND), 1);
  EXPECT_TRUE(windows.defaulted.empty());
}

TEST_F(MessageMapTest, DestroyReleasesTheLogoBuffersAndEndsTheLoopWithOne) {
  app.oemLogoRaw.reset(new std::uint8_t[platform::kOemLogoRawBytes]);
  app.oemLogoRgb.reset(new std::uint8_t[kOemLogoRgbBytes]);
  Send(platform::WM_DESTROY);
  EXPECT_EQ(app.oemLogoRaw, nullptr);
  EXPECT_EQ(app.oemLogoRgb, nullptr);
  EXPECT_EQ(windows.quitCodes, std::vector<int>{1});
  EXPECT_EQ(windows.defaulted, std::vector<std::uint32_t>{platform::WM_DESTROY});
}

TEST_F(MessageMapTest, UpdateErrorOnlyLogsAndLeavesTheWindowAlone) {
  Send(UM_UPDATE_ERROR);
  const std::string log = device.ReadFile("FlashHd/updatelog.txt");
  ASSERT_EQ(log.size(), 14u + 21u);
  EXPECT_EQ(log.substr(14), "read xml file error.\n");
  EXPECT_TRUE(windows.defaulted.empty());
  EXPECT_TRUE(windows.quitCodes.empty());
}

TEST_F(MessageMapTest, AlreadyUpdatedIsHandledExactlyAsNoUpdate) {
  device.WriteFile("System/Main_Ap.exe", "#!/bin/sh\nexit 0\n", true);
  app.SetDefaults();
  Send(UM_ALREADY_UPDATED);
  const std::string afterAlready = device.ReadFile("FlashHd/updatelog.txt");
  device.RemoveFile("FlashHd/updatelog.txt");
  Send(UM_NO_UPDATE);
  const std::string afterNoUpdate = device.ReadFile("FlashHd/updatelog.txt");
  EXPECT_EQ(afterAlready.substr(14), "\\System\\Main_Ap.exe launch success.\n");
  EXPECT_EQ(afterNoUpdate.substr(14), afterAlready.substr(14));
}

TEST(SetDefaults, GiveTheDocumentedRecord) {
  test::TestDevice device;
  Init_AP app{device.Services()};
  EXPECT_EQ(app.updateSource, 0);
  EXPECT_TRUE(app.logoPath.empty());
  app.SetDefaults();
  EXPECT_EQ(app.updateSource, -1);
  EXPECT_EQ(app.logoPath, L"\\System\\logo.bmp");
  EXPECT_EQ(app.launchPath, L"\\System\\Main_Ap.exe");
  EXPECT_EQ(app.zantyPath, L"\\sd card\\RV270_AP_UPDATE_MP.txt");
  EXPECT_EQ(app.filenameRect, (platform::Rect{10, 60, 230, 80}));
  EXPECT_EQ(app.progressRect, (platform::Rect{10, 80, 230, 110}));
  EXPECT_EQ(app.filenameColor, 0x00FFFFFFu);
  EXPECT_EQ(app.progressColor, 0x00FF0000u);
  EXPECT_TRUE(app.statusText.Empty());
  // The logo buffers are the start-up's to set, not the defaults'.
  app.oemLogoReady = 1;
  app.SetDefaults();
  EXPECT_EQ(app.oemLogoReady, 1u);
}

}  // namespace
}  // namespace initap
