// The small file operations that start-up, completion, copy and delete share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace initap {

class Init_AP;

// True when `path` can be opened as an existing file for reading.
[[nodiscard]] bool FileExists(Init_AP& app, std::wstring_view path);
// True when `path` names an existing folder; a trailing backslash and the root "\" included.
[[nodiscard]] bool FolderExists(Init_AP& app, std::wstring_view path);
// Appends one backslash unless the path ends in a separator already. False,
// with the path unchanged, when the backslash and terminator would not fit `capacity`.
[[nodiscard]] bool AddBackslash(std::wstring& path, std::size_t capacity);
// Creates every missing folder of `folder`, outermost first; true when it exists afterwards.
[[nodiscard]] bool CreateFolderChain(Init_AP& app, std::wstring_view folder);
// Files in `folder` and all its subfolders; 0 on any failure.
[[nodiscard]] std::int32_t CountFiles(Init_AP& app, std::wstring_view folder);
// Length of the text after the last backslash, copied into `output` when
// given; 0 with `output` untouched when there is no backslash.
[[nodiscard]] std::size_t ExtractFileName(std::wstring_view path, std::wstring* output, std::size_t capacity);
// `folder`, a backslash unless it ends in a separator, and `name`. False, with
// `joined` empty, when the result would not fit `capacity` characters with the terminator.
[[nodiscard]] bool JoinPath(std::wstring_view folder, std::wstring_view name, std::wstring& joined,
                            std::size_t capacity);

}  // namespace initap
