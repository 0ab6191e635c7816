// Comparing the paths the system handed to a service with the texts it read
// from a description: separators made alike, letter case folded.
#pragma once

#include <string>
#include <string_view>

namespace platform::host {

// Both separators as the backslash, runs of them as one, letter case folded.
std::wstring Normalized(std::wstring_view path);
// A relative text as it shows inside a path it became part of: its leading
// "../" and "./" steps left off.
std::wstring Tail(std::wstring_view text);
// True when the normalized `path` holds the normalized `part`.
bool Mentions(std::wstring_view path, std::wstring_view part);
// The path with runs of separators shown as one, for a message.
std::string Shown(std::wstring_view path);
// "\\Folder\\Name" with the names as written and "." and ".." taken; empty for
// the root, or for a path that is no device path, which nothing can change.
std::string WrittenPath(std::wstring_view path);
// The folder part of a path, normalized: "\sd card\update.xml" gives "\SD CARD".
std::wstring FolderOf(std::wstring_view path);

}  // namespace platform::host
