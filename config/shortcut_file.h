// Shortcut files: the text "N#"target"" in the device's ANSI code page,
// written directly in \Windows and then moved into the desktop folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace initap {

class Init_AP;

// Writes "\Windows\<name>.lnk" for `target` and moves it into the desktop
// folder. 1 when the file was created and written, whether or not the move
// worked; 0 when it could not be created or its path or text would not fit
// 259 characters and 259 bytes.
[[nodiscard]] int WriteShortcutFile(Init_AP& app, std::wstring_view name, std::wstring_view target);

// Bytes the whole `text` needs in the ANSI code page, without a terminator;
// 0 when no text is given. With `buffer`, it receives the converted text,
// at most `capacity` bytes of it.
[[nodiscard]] std::size_t ToNarrowText(Init_AP& app, std::wstring_view text, std::string* buffer, std::size_t capacity);

// The desktop folder's name from the registry into `buffer` (at most
// `capacity` characters with the terminator); the buffer keeps its content
// when the name cannot be read.
void GetDesktopFolderName(Init_AP& app, std::wstring& buffer, std::size_t capacity);

}  // namespace initap
