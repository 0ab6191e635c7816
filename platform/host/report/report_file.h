// The JSON file that --report names: checked before the boot starts, so that
// a bad path is refused before the device changes, and written at the end.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform::host {

// False with a one-line `error`, naming the `option` that gave the file, when
// `file` is a folder or its folder is missing or cannot be written.
bool CanWriteReport(const std::filesystem::path& file, std::string& error, std::string_view option = "--report");

// Writes `json` beside `file` and renames it into place; false with `error`.
bool WriteReport(const std::filesystem::path& file, std::string_view json, std::string& error);

}  // namespace platform::host
