// The volumes of the device, as its file system names them.
#pragma once

#include <string_view>

namespace platform {

inline constexpr std::wstring_view kDeviceVolumes[] = {L"sd card", L"Storage Card", L"FlashHd", L"System", L"Windows"};

}  // namespace platform
