// Init_AP: the one window of the system and the record that all its parts share.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "app/frame_window.h"
#include "app/message_loop.h"
#include "app/status_text.h"
#include "app/worker_messages.h"
#include "platform/common/update_descriptions.h"
#include "platform/platform.h"

namespace initap {

class Init_AP final : public FrameWindow, public MessageFilter, public IdleHandler {
 public:
  // All application fields start zero: empty texts, no handles, no buffers.
  explicit Init_AP(platform::Platform& platform);
  ~Init_AP() override;

  platform::Platform& platform;

  std::int32_t updateSource = 0;  // the description read, from platform::kUpdateDescriptions
  std::wstring logoPath;
  std::wstring launchPath;
  std::wstring zantyPath;
  std::wstring resolvedPath;  // scratch: the window's thread, or the worker while it runs
  std::int32_t updateAlready = 0;
  std::unique_ptr<platform::Bitmap> logoBitmap;
  std::unique_ptr<platform::Thread> workerThread;
  StatusText statusText;
  std::atomic<std::int32_t> progressDone{0};
  std::atomic<std::int32_t> progressTotal{0};
  platform::Rect filenameRect;
  platform::Rect progressRect;
  platform::ColorRef filenameColor = 0;
  platform::ColorRef progressColor = 0;
  std::uint32_t logoShowTime = 0;
  std::uint32_t exitShowTime = 0;
  std::uint32_t logoShownTick = 0;
  std::unique_ptr<std::uint8_t[]> oemLogoRaw;  // platform::kOemLogoRawBytes, as the disk holds the logo
  std::unique_ptr<std::uint8_t[]> oemLogoRgb;  // kOemLogoRgbBytes, the logo converted for drawing
  std::uint32_t oemLogoReady = 0;

  // Keeps the lines of the two threads whole in the update log.
  std::mutex logLock;

  // The loop of the window's thread, set by Run before the window exists.
  MessageLoop* messageLoop = nullptr;

  // The GPS receiver and its two events stay open until the process ends.
  std::unique_ptr<platform::Event> gpsNewLocation;
  std::unique_ptr<platform::Event> gpsDeviceState;
  platform::GpsHandle gpsDevice = 0;

  void SetDefaults();
  void ReleaseResources();

  bool PreTranslateMessage(const platform::Message& message) override;
  bool OnIdle() override;

 protected:
  bool ProcessWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result,
                            bool& handled) override;

 private:
  std::intptr_t OnCreate(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
  std::intptr_t OnDestroy(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
  std::intptr_t OnPaintMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
  std::intptr_t OnEraseBkgndMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
  std::intptr_t OnNoUpdate(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
  std::intptr_t OnUpdateDone(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
  std::intptr_t OnUpdateError(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);

  void OpenGps();
  void SetClockFromGps();
  // The description copied to the system folder and marked applied at completion; empty for none.
  std::wstring_view DescriptionInUse() const;
  void CopyDescriptionToSystem();
  // Deletes the descriptions that have served, each in its turn; after an
  // update list was carried out, those kept after an update stay.
  void DeleteServedDescriptions(bool updateCarriedOut);
  // Makes durable what the update list and the completion wrote so far, on every volume.
  void FlushVolumes();
  void WaitOutLogoTime();
  void LaunchTarget();
  void PauseExitTime();
  // The end both completion handlers share: the logo's time, the shortcuts,
  // the target program, the descriptions that served, the exit time, the close.
  void HandOff(bool updateCarriedOut);
};

}  // namespace initap
