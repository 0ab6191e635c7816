#include "platform/common/volume_sizes.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/common/device_ini.h"
#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"

namespace platform {

namespace {

// "512MiB" and the like; none for a text that is no size.
bool ParseSize(const std::string& text, std::uint64_t& bytes) {
  std::uint64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [rest, problem] = std::from_chars(text.data(), end, number);
  if (problem != std::errc() || rest == text.data()) return false;
  std::string unit(rest, end);
  unit.erase(0, unit.find_first_not_of(' '));
  std::uint64_t scale = 0;
  if (unit.empty() || unit == "B") scale = 1;
  if (unit == "KiB") scale = 1ull << 10;
  if (unit == "MiB") scale = 1ull << 20;
  if (unit == "GiB") scale = 1ull << 30;
  if (scale == 0 || number > std::numeric_limits<std::uint64_t>::max() / scale) return false;
  bytes = number * scale;
  return true;
}

}  // namespace

bool ReadVolumeSizes(std::istream& ini, std::vector<VolumeSize>& sizes, std::string& error) {
  sizes.clear();
  for (const auto& [key, value] : common::SectionSettings(ini, "volumes")) {
    std::wstring name;
    for (const char c : key) name += static_cast<wchar_t>(static_cast<unsigned char>(c));
    const auto volume = std::ranges::find_if(
        kDeviceVolumes, [&](std::wstring_view known) { return FoldName(known) == FoldName(name); });
    if (volume == std::end(kDeviceVolumes)) {
      error = "device.ini: [volumes] names \"" + key + "\", which is no volume of the device";
      return false;
    }
    if (std::ranges::any_of(sizes, [&](const VolumeSize& known) { return known.volume == *volume; })) {
      error = "device.ini: [volumes] gives the size of \"" + key + "\" twice";
      return false;
    }
    std::uint64_t bytes = 0;
    if (!ParseSize(value, bytes)) {
      error = "device.ini: [volumes] " + key + " = " + value + " is no size such as 512MiB";
      return false;
    }
    sizes.push_back({std::wstring(*volume), bytes});
  }
  return true;
}

}  // namespace platform
