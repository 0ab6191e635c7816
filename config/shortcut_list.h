// The shortcut list (platform::kShortcutList): one desktop shortcut for each
// "shortcut" child of its root, by the attributes "name" and "path".
#pragma once

#include <string_view>

namespace initap {

class Init_AP;

// Writes the shortcut of every entry of the list at `listPath`, in document
// order; an entry without a name or a path, or with one too long, is left
// out. 1 when the list was walked; 0 when it is missing, unreadable, has no
// root element or no entries.
[[nodiscard]] int CreateShortcuts(Init_AP& app, std::wstring_view listPath);

}  // namespace initap
