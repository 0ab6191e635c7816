// The worker's final message: keep the description, let the logo stay,
// write the shortcuts, start the target program and close.
#include <algorithm>
#include <tuple>

#include "app/init_ap.h"
#include "app/launch_program.h"
#include "config/shortcut_list.h"
#include "config/update_config.h"
#include "display/screen_painting.h"
#include "display/update_log.h"
#include "platform/common/device_volumes.h"
#include "platform/common/mass_production_marker.h"
#include "platform/common/path_limits.h"
#include "platform/common/shell_program.h"
#include "platform/common/shortcut_list_path.h"
#include "platform/common/update_descriptions.h"
#include "update/file_helpers.h"
#include "update/path_resolution.h"

namespace initap {

namespace {

// The descriptions in the order they are deleted in; those that stay come first.
constexpr auto kByDeletionTurn = [] {
  auto descriptions = platform::kUpdateDescriptions;
  std::ranges::sort(descriptions, {}, &platform::UpdateDescription::deletionTurn);
  return descriptions;
}();

// A show time is stored as the signed number the description gave; a
// negative one counts as 0, and none holds the device longer than an hour.
constexpr std::int32_t kLongestShowTime = 3600;

std::uint32_t ShowTimeMilliseconds(std::uint32_t stored) {
  const auto seconds = static_cast<std::int32_t>(stored);
  if (seconds <= 0) return 0;
  return static_cast<std::uint32_t>(std::min(seconds, kLongestShowTime)) * 1000u;
}

}  // namespace

std::wstring_view Init_AP::DescriptionInUse() const {
  const platform::UpdateDescription* description = platform::DescriptionOf(updateSource);
  return description != nullptr && description->copiedToSystem ? description->path : std::wstring_view();
}

void Init_AP::CopyDescriptionToSystem() {
  const std::wstring_view description = DescriptionInUse();
  if (!description.empty()) std::ignore = platform.files.CopyFile(description, platform::kSystemDescription, false);
}

void Init_AP::DeleteServedDescriptions(bool updateCarriedOut) {
  for (const platform::UpdateDescription& description : kByDeletionTurn) {
    if (description.deletionTurn == 0 || (updateCarriedOut && description.keptAfterUpdate)) continue;
    if (description.keptForMassProduction && FileExists(*this, platform::kMassProductionMarker)) continue;
    std::ignore = platform.files.DeleteFile(description.path);
  }
}

void Init_AP::FlushVolumes() {
  for (const std::wstring_view name : platform::kDeviceVolumes) {
    const std::wstring volume = L"\\" + std::wstring(name);
    if (FolderExists(*this, volume)) std::ignore = platform.files.FlushVolume(volume);
  }
}

void Init_AP::WaitOutLogoTime() {
  const std::uint32_t elapsed = platform.kernel.GetTickCount() - logoShownTick;
  const std::uint32_t limit = ShowTimeMilliseconds(logoShowTime);
  if (elapsed < limit) platform.kernel.Sleep(limit - elapsed);
}

void Init_AP::PauseExitTime() { platform.kernel.Sleep(ShowTimeMilliseconds(exitShowTime)); }

void Init_AP::LaunchTarget() {
  std::ignore = ResolvePath(*this, launchPath, resolvedPath, platform::kPathCapacity);
  if (FileExists(*this, resolvedPath)) {
    if (LaunchProgram(*this, resolvedPath)) {
      WriteLog(*this, L"%s launch success.", resolvedPath);
      return;
    }
    WriteLog(*this, L"%s launch error, goto wince.", resolvedPath);
    std::ignore = LaunchProgram(*this, platform::kShellProgram);
    return;
  }
  WriteLog(*this, L"%s not exist, goto wince.", resolvedPath);
  std::ignore = LaunchProgram(*this, platform::kShellProgram);
}

void Init_AP::HandOff(bool updateCarriedOut) {
  WaitOutLogoTime();
  std::ignore = CreateShortcuts(*this, platform::kShortcutList);
  LaunchTarget();
  DeleteServedDescriptions(updateCarriedOut);
  PauseExitTime();
  std::ignore = platform.windows.PostMessage(Handle(), platform::WM_CLOSE, 0, 0);
}

std::intptr_t Init_AP::OnNoUpdate(std::uint32_t, std::uintptr_t, std::intptr_t, bool&) {
  CopyDescriptionToSystem();
  // The copy configures later boots once the descriptions are gone.
  if (!DescriptionInUse().empty()) std::ignore = platform.files.FlushVolume(platform::kSystemDescription);
  HandOff(false);
  return 0;
}

std::intptr_t Init_AP::OnUpdateDone(std::uint32_t, std::uintptr_t, std::intptr_t, bool&) {
  WriteLog(*this, L"update finished.");
  CopyDescriptionToSystem();
  progressTotal = 1;
  progressDone = 1;
  SetStatusText(*this, kUpdateFinishedText);
  std::ignore = ResolvePath(*this, zantyPath, resolvedPath, platform::kPathCapacity);
  // The mark tells later boots the list is done, and the deletions below
  // leave the copy in the system folder alone: what both vouch for goes first.
  FlushVolumes();
  if (!FileExists(*this, resolvedPath)) std::ignore = MarkUpdateApplied(*this, DescriptionInUse());
  HandOff(true);
  return 0;
}

}  // namespace initap
