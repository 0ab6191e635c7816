// The create message: image-update hand-off, diagnostic path, clock from
// GPS, configuration, logo and the start of the worker.
#include <array>
#include <new>
#include <tuple>

#include "app/init_ap.h"
#include "app/launch_program.h"
#include "config/shortcut_list.h"
#include "config/update_config.h"
#include "display/oem_logo.h"
#include "display/update_log.h"
#include "platform/common/path_limits.h"
#include "platform/common/shell_program.h"
#include "platform/common/shortcut_list_path.h"
#include "platform/common/update_descriptions.h"
#include "update/file_helpers.h"
#include "update/path_resolution.h"
#include "update/update_worker.h"

namespace initap {

namespace {

constexpr std::array<std::wstring_view, 3> kImageUpdateFiles = {
    L"\\FlashHd\\temp\\Eboot.xml", L"\\FlashHd\\temp\\winceimg.xml", L"\\FlashHd\\temp\\OEMLOGO.bmp"};
constexpr std::wstring_view kImageUpdateDone = L"\\FlashHd\\temp\\ZEV7100UpdateDone.txt";
constexpr std::wstring_view kImageUpdater = L"\\Windows\\KRTNkUpdate.exe";
constexpr std::array<std::wstring_view, 12> kImageUpdateCleanUp = {L"\\FlashHd\\temp\\ZEV7100UpdateDone.txt",
                                                                   L"\\FlashHd\\temp\\chain.bin",
                                                                   L"\\FlashHd\\temp\\TINYNK.bin",
                                                                   L"\\FlashHd\\temp\\NK.bin",
                                                                   L"\\FlashHd\\temp\\winceimg.cks",
                                                                   L"\\FlashHd\\temp\\Eboot.cks",
                                                                   L"\\FlashHd\\temp\\Eboot.nb0",
                                                                   L"\\FlashHd\\temp\\Eboot.xml",
                                                                   L"\\FlashHd\\temp\\winceimg.xml",
                                                                   L"\\FlashHd\\temp\\chain.lst",
                                                                   L"\\FlashHd\\temp\\OEMLOGO.bmp",
                                                                   L"\\FlashHd\\temp\\OEMLOGO.raw"};
constexpr std::array<std::wstring_view, 2> kDiagnosticTriggers = {L"\\sd card\\Launch_Valkor_For_Diagnostic.txt",
                                                                  L"\\Storage Card\\Launch_Valkor_For_Diagnostic.txt"};

constexpr std::uint32_t kGpsCommandBeforeWait = 14;
constexpr std::uint32_t kGpsCommandAfterWait = 13;
constexpr std::uint32_t kGpsPause = 200;
constexpr std::uint32_t kGpsSlice = 500;
constexpr std::uint32_t kGpsMaxAge = 10000;
constexpr int kGpsReadAllowance = 4;
// Without a receiver nothing signals; the wait gives up after this many empty slices.
constexpr int kGpsEmptySliceLimit = 10;

}  // namespace

void Init_AP::OpenGps() {
  gpsNewLocation = platform.kernel.CreateEvent();
  gpsDeviceState = platform.kernel.CreateEvent();
  gpsDevice = platform.gps.OpenDevice(gpsNewLocation.get(), gpsDeviceState.get());
}

void Init_AP::SetClockFromGps() {
  OpenGps();
  platform.kernel.Sleep(kGpsPause);
  std::ignore = platform.gps.SendDeviceCmd(kGpsCommandBeforeWait);
  int allowance = kGpsReadAllowance;
  int emptySlices = 0;
  while (gpsNewLocation && emptySlices < kGpsEmptySliceLimit) {
    if (!gpsNewLocation->Wait(kGpsSlice)) {
      ++emptySlices;
      continue;
    }
    platform::GpsPosition position;
    position.version = 1;
    position.size = sizeof(platform::GpsPosition);
    std::ignore = platform.gps.GetPosition(gpsDevice, position, kGpsMaxAge, 0);
    if (position.utc.year != 0) {
      std::ignore = platform.kernel.SetSystemTime(position.utc);
      break;
    }
    if (allowance == 0) break;
    --allowance;
  }
  platform.kernel.Sleep(kGpsPause);
  std::ignore = platform.gps.SendDeviceCmd(kGpsCommandAfterWait);
}

std::intptr_t Init_AP::OnCreate(std::uint32_t, std::uintptr_t, std::intptr_t, bool&) {
  oemLogoRaw.reset();
  oemLogoRgb.reset();
  oemLogoReady = 0;

  for (std::wstring_view file : kImageUpdateFiles) {
    if (!FileExists(*this, file)) continue;
    if (!FileExists(*this, kImageUpdateDone)) {
      std::ignore = LaunchProgram(*this, kImageUpdater);
      return 0;
    }
    for (std::wstring_view leftover : kImageUpdateCleanUp) std::ignore = platform.files.DeleteFile(leftover);
    break;
  }

  for (std::wstring_view trigger : kDiagnosticTriggers) {
    if (!FileExists(*this, trigger)) continue;
    WriteLog(*this, L"found diagnostic file, goto wince.");
    std::ignore = CreateShortcuts(*this, platform::kShortcutList);
    std::ignore = LaunchProgram(*this, platform::kShellProgram);
    OpenGps();
    platform.kernel.Sleep(kGpsPause);
    std::ignore = platform.gps.SendDeviceCmd(kGpsCommandAfterWait);
    std::ignore = platform.windows.DestroyWindow(Handle());
    return 0;
  }

  SetClockFromGps();
  SetDefaults();

  for (const platform::UpdateDescription& candidate : platform::kUpdateDescriptions) {
    if (!FileExists(*this, candidate.path)) continue;
    if (ReadConfig(*this, candidate.path)) {
      updateSource = candidate.source;
    } else {
      WriteLog(*this, L"load xml file %s error.", candidate.path);
    }
    break;
  }

  std::ignore = ResolvePath(*this, logoPath, resolvedPath, platform::kPathCapacity);
  logoBitmap = platform.graphics.LoadBitmapFile(resolvedPath);
  logoShownTick = platform.kernel.GetTickCount();
  workerThread = platform.kernel.StartThread([this] { return UpdateThreadProc(*this); });
  if (messageLoop != nullptr) {
    messageLoop->AddMessageFilter(this);
    messageLoop->AddIdleHandler(this);
  }

  if (oemLogoRaw || oemLogoRgb) return 0;
  oemLogoRaw.reset(new (std::nothrow) std::uint8_t[platform::kOemLogoRawBytes]);
  oemLogoRgb.reset(new (std::nothrow) std::uint8_t[kOemLogoRgbBytes]);
  if (oemLogoRaw && oemLogoRgb) {
    std::fill_n(oemLogoRaw.get(), platform::kOemLogoRawBytes, 0);
    std::fill_n(oemLogoRgb.get(), kOemLogoRgbBytes, 0);
  }
  return 0;
}

}  // namespace initap
