// The manufacturer's logo in a raw disk image, as a 240x400 RGB picture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/display_driver.h"

namespace initap::logo {

// 8-bit pixels to 5-6-5 pixels, low byte first: each channel keeps its top bits.
std::vector<std::uint8_t> ToRgb565(const platform::host::ScreenImage& picture);
// 5-6-5 pixels to 8-bit pixels as the device shows them: the low bits stay zero.
platform::host::ScreenImage FromRgb565(const std::vector<std::uint8_t>& pixels);

// Puts a 240x400 picture into the logo sectors, creating the image when it is
// missing and keeping every other byte; false with `error` filled otherwise.
bool WriteLogo(const std::filesystem::path& disk, const platform::host::ScreenImage& picture, std::string& error);
// Takes the logo out of the image; false with `error` filled when the image
// is missing or ends before the logo does.
bool ReadLogo(const std::filesystem::path& disk, platform::host::ScreenImage& picture, std::string& error);

}  // namespace initap::logo
