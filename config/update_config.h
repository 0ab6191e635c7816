// update.xml: the configuration reader and the mark that its update list was applied.
#pragma once

#include <string_view>

namespace initap {

class Init_AP;

// Reads the configuration elements under the root of the update.xml at
// `path` into the record; an absent element keeps its field. 1 when the
// document loaded and has a root, 0 otherwise (nothing changed then). A path
// element too long to take leaves its field empty and says so on the debug output.
[[nodiscard]] int ReadConfig(Init_AP& app, std::wstring_view path);

// Sets the text of the root's first "update_already" element to "1" and saves
// the document in place. 1 when saved; 0 otherwise, the file as it was.
[[nodiscard]] int MarkUpdateApplied(Init_AP& app, std::wstring_view path);

}  // namespace initap
