#include "app/init_ap.h"

#include "display/screen_painting.h"
#include "display/update_log.h"
#include "platform/common/mass_production_marker.h"

namespace initap {

Init_AP::Init_AP(platform::Platform& services) : FrameWindow(services.windows), platform(services) {}

Init_AP::~Init_AP() = default;

void Init_AP::SetDefaults() {
  updateSource = platform::kSourceNone;
  logoPath = L"\\System\\logo.bmp";
  launchPath = L"\\System\\Main_Ap.exe";
  // By default the force-update marker is the mass-production marker: such a
  // card is carried out on every device it is put into.
  zantyPath = platform::kMassProductionMarker;
  statusText.Set(L"");
  updateAlready = 0;
  logoBitmap.reset();
  workerThread.reset();
  progressDone = 0;
  progressTotal = 0;
  filenameRect = {10, 60, 230, 80};
  progressRect = {10, 80, 230, 110};
  filenameColor = 0x00FFFFFF;
  progressColor = 0x00FF0000;
  logoShowTime = 0;
  exitShowTime = 0;
  logoShownTick = 0;
}

void Init_AP::ReleaseResources() {
  oemLogoRaw.reset();
  oemLogoRgb.reset();
  logoBitmap.reset();
}

bool Init_AP::PreTranslateMessage(const platform::Message& /*message*/) { return false; }

bool Init_AP::OnIdle() { return false; }

bool Init_AP::ProcessWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                                   std::intptr_t& result, bool& handled) {
  using Handler = std::intptr_t (Init_AP::*)(std::uint32_t, std::uintptr_t, std::intptr_t, bool&);
  struct Entry {
    std::uint32_t message;
    Handler handler;
  };
  static constexpr Entry kMessageMap[] = {
      {platform::WM_CREATE, &Init_AP::OnCreate},      {platform::WM_DESTROY, &Init_AP::OnDestroy},
      {platform::WM_PAINT, &Init_AP::OnPaintMessage}, {platform::WM_ERASEBKGND, &Init_AP::OnEraseBkgndMessage},
      {UM_NO_UPDATE, &Init_AP::OnNoUpdate},           {UM_ALREADY_UPDATED, &Init_AP::OnNoUpdate},
      {UM_UPDATE_DONE, &Init_AP::OnUpdateDone},       {UM_UPDATE_ERROR, &Init_AP::OnUpdateError},
  };
  for (const Entry& entry : kMessageMap) {
    if (entry.message == message) {
      handled = true;
      result = (this->*entry.handler)(message, wParam, lParam, handled);
      return true;
    }
  }
  return false;
}

std::intptr_t Init_AP::OnDestroy(std::uint32_t, std::uintptr_t, std::intptr_t, bool& handled) {
  ReleaseResources();
  handled = false;
  return 0;
}

std::intptr_t Init_AP::OnPaintMessage(std::uint32_t, std::uintptr_t, std::intptr_t, bool&) { return OnPaint(*this); }

std::intptr_t Init_AP::OnEraseBkgndMessage(std::uint32_t, std::uintptr_t, std::intptr_t, bool&) {
  return OnEraseBkgnd(*this);
}

std::intptr_t Init_AP::OnUpdateError(std::uint32_t, std::uintptr_t, std::intptr_t, bool&) {
  WriteLog(*this, L"read xml file error.");
  return 0;
}

}  // namespace initap
