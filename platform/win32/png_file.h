// A picture written as a PNG file, for the screen a run leaves behind.
#pragma once

#include <string>
#include <vector>

#include "platform/graphics.h"

namespace platform::win32 {

// `pixels` row by row from the top, as 0x00BBGGRR; an 8-bit RGB file,
// uncompressed. False when the file cannot be written whole.
bool WritePngFile(const std::wstring& path, int width, int height, const std::vector<ColorRef>& pixels);

}  // namespace platform::win32
