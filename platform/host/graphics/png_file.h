// PNG pictures of the screen, in and out.
#pragma once

#include <filesystem>
#include <string>

#include "platform/host/display_driver.h"

namespace platform::host {

// Writes a picture as 8-bit RGB; the file is written beside its name and
// renamed into place. False with `error` filled when it cannot be written.
bool WritePng(const std::filesystem::path& file, const ScreenImage& image, std::string& error);

// Reads any PNG (a transparent picture is laid on black);
// false with `error` filled when the file is missing or no valid PNG.
bool ReadPng(const std::filesystem::path& file, ScreenImage& image, std::string& error);

}  // namespace platform::host
