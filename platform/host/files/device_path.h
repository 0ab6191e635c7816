// A device path taken apart into the host names it is made of.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace platform::host {

// A name's limit on the host: 255 bytes, which also keeps it within the device's 255 units.
inline constexpr std::size_t kMaxNameBytes = 255;

struct DevicePath {
  // UTF-8 names from the root down; "." is dropped and ".." steps back, never above the root.
  std::vector<std::string> names;
  // Written with a trailing separator (or ending in "." or ".."): it names a folder.
  bool namesFolder = false;
};

// Splits at "\" and "/"; a path without a leading separator starts at the root
// as well. PathNotFound for the empty path; InvalidName for an over-long path
// or name, or a name holding a character the device refuses in names
// (wildcards, quotes, controls...).
FileStatus ParseDevicePath(std::wstring_view path, DevicePath& parsed);

// The path as compared with others: folded, with ".", ".." and separators
// made alike ("\" for the root); empty when the text is no device path.
std::wstring ComparableDevicePath(std::wstring_view path);

// A listing's pattern ends in "\*.*" (or "\*"): the folder before it, else none.
std::optional<std::wstring_view> ListedFolder(std::wstring_view pattern);

}  // namespace platform::host
