#include "display/oem_logo.h"

#include <cstring>
#include <new>
#include <span>
#include <tuple>

#include "platform/common/boot_disk.h"

namespace initap {

bool GetOEMLogoData(Init_AP& app, std::uint8_t* destination) {
  std::unique_ptr<std::uint8_t[]> scratch(new (std::nothrow) std::uint8_t[kOemLogoScratchBytes]);
  if (!scratch) {
    app.platform.kernel.DebugOutput(L"[Init_AP::GetOEMLogoData] Failed to malloc tempbuf");
    return false;
  }
  const std::unique_ptr<platform::RawDisk> disk = app.platform.disks.Open(platform::kBootDisk);
  if (!disk) {
    app.platform.kernel.DebugOutput(L"[Init_AP::GetOEMLogoData] Failed to createfile DSK1");
    return false;
  }
  if (!disk->ReadSectors(platform::kOemLogoFirstSector, platform::kOemLogoSectors,
                         std::span<std::uint8_t>(scratch.get(), kOemLogoScratchBytes))) {
    return false;
  }
  std::memcpy(destination, scratch.get(), platform::kOemLogoRawBytes);
  return true;
}

void Rgb565ToRgb24(const std::uint8_t* source, std::uint8_t* destination, int pixels) {
  if (!source || !destination || pixels <= 0) return;
  for (int i = 0; i < pixels; ++i) {
    const unsigned value = source[0] | source[1] << 8;
    destination[0] = static_cast<std::uint8_t>((value & 0x1F) << 3);
    destination[1] = static_cast<std::uint8_t>(((value >> 5) & 0x3F) << 2);
    destination[2] = static_cast<std::uint8_t>((value >> 11) << 3);
    source += 2;
    destination += 3;
  }
}

void DrawOEMLogo(Init_AP& app, platform::BackBuffer& frame) {
  if (!app.oemLogoRaw || !app.oemLogoRgb) return;
  if (app.oemLogoReady == 0) {
    // A failed read leaves the zeroed buffer: the logo is black for the run.
    std::ignore = GetOEMLogoData(app, app.oemLogoRaw.get());
    Rgb565ToRgb24(app.oemLogoRaw.get(), app.oemLogoRgb.get(), static_cast<int>(kOemLogoImageSize / 3));
    app.oemLogoReady = 1;
  }
  frame.SetBits24(0, 0, platform::kOemLogoWidth, platform::kOemLogoHeight, app.oemLogoRgb.get());
}

}  // namespace initap
