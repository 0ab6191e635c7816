// The mass-production marker: while this file is on the SD card, the card's
// description stays on it after the boot, for the next device.
#pragma once

#include <string_view>

namespace platform {

inline constexpr std::wstring_view kMassProductionMarker = L"\\sd card\\RV270_AP_UPDATE_MP.txt";

}  // namespace platform
