#include "tools/logo/logo_disk.h"

#include <fstream>

#include "platform/common/oem_logo_layout.h"

namespace initap::logo {

std::vector<std::uint8_t> ToRgb565(const platform::host::ScreenImage& picture) {
  const std::size_t count = picture.pixels.size() / 3;
  std::vector<std::uint8_t> pixels(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* bgr = &picture.pixels[i * 3];
    const unsigned value = (bgr[2] >> 3) << 11 | (bgr[1] >> 2) << 5 | bgr[0] >> 3;
    pixels[i * 2] = static_cast<std::uint8_t>(value & 0xFF);
    pixels[i * 2 + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  return pixels;
}

platform::host::ScreenImage FromRgb565(const std::vector<std::uint8_t>& pixels) {
  platform::host::ScreenImage picture{platform::kOemLogoWidth, platform::kOemLogoHeight, {}};
  const std::size_t count = pixels.size() / 2;
  picture.pixels.resize(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned value = pixels[i * 2] | pixels[i * 2 + 1] << 8;
    picture.pixels[i * 3] = static_cast<std::uint8_t>((value & 0x1F) << 3);
    picture.pixels[i * 3 + 1] = static_cast<std::uint8_t>(((value >> 5) & 0x3F) << 2);
    picture.pixels[i * 3 + 2] = static_cast<std::uint8_t>((value >> 11) << 3);
  }
  return picture;
}

bool WriteLogo(const std::filesystem::path& disk, const platform::host::ScreenImage& picture, std::string& error) {
  if (picture.width != platform::kOemLogoWidth || picture.height != platform::kOemLogoHeight ||
      picture.pixels.size() != std::size_t{platform::kOemLogoWidth} * platform::kOemLogoHeight * 3) {
    error = "the logo must be " + std::to_string(platform::kOemLogoWidth) + "x" +
            std::to_string(platform::kOemLogoHeight) + " pixels, the picture is " + std::to_string(picture.width) +
            "x" + std::to_string(picture.height);
    return false;
  }
  const std::vector<std::uint8_t> pixels = ToRgb565(picture);
  // In place: the rest of the disk, which may be large, stays as it is.
  std::error_code missing;
  const bool exists = std::filesystem::exists(disk, missing);
  std::fstream out(disk, exists ? std::ios::in | std::ios::out | std::ios::binary : std::ios::out | std::ios::binary);
  if (!out.is_open()) {
    error = "cannot open " + disk.string() + " for writing";
    return false;
  }
  out.seekp(static_cast<std::streamoff>(platform::kOemLogoOffset));
  out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  out.close();
  if (out.fail()) {
    error = "cannot write the logo sectors of " + disk.string();
    return false;
  }
  return true;
}

bool ReadLogo(const std::filesystem::path& disk, platform::host::ScreenImage& picture, std::string& error) {
  std::ifstream in(disk, std::ios::binary);
  if (!in.is_open()) {
    error = "cannot open " + disk.string();
    return false;
  }
  std::vector<std::uint8_t> pixels(platform::kOemLogoRawBytes);
  in.seekg(static_cast<std::streamoff>(platform::kOemLogoOffset));
  in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  if (in.gcount() != static_cast<std::streamsize>(pixels.size())) {
    error = disk.string() + " ends before the logo sectors " + std::to_string(platform::kOemLogoFirstSector) + " to " +
            std::to_string(platform::kOemLogoFirstSector + platform::kOemLogoSectors - 1);
    return false;
  }
  picture = FromRgb565(pixels);
  return true;
}

}  // namespace initap::logo
