// The delete element of the update list: one file, or one folder with
// everything in it, counted first, then deleted file by file on screen.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {
class XmlNode;
}

namespace initap {

class Init_AP;

// Carries out one delete element and logs how many files it deleted. False
// when the element was skipped (no element, "path" absent or empty).
[[nodiscard]] bool ExecuteDelete(Init_AP& app, const platform::XmlNode* element);

// Deletes the files and subfolders of `folder`, then the folder itself,
// stopping at the first that fails; true when the folder is gone or was
// never there. `deleted` grows by one for each file deleted.
[[nodiscard]] bool DeleteFolder(Init_AP& app, std::wstring_view folder, std::int32_t& deleted);

}  // namespace initap
