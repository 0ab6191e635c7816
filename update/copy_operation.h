// The copy element of the update list: one file or one folder tree, counted
// first, then copied file by file with the file in work on the status line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class XmlNode;
}

namespace initap {

class Init_AP;

// What ClassifyCopyPair makes of a from/to pair.
enum class CopyKind : int { Rejected = -1, OneFile = 0, FolderTree = 1 };

// Carries out one copy element and logs how many files it copied. False when
// the element was skipped (no element, "from" or "to" absent or empty).
[[nodiscard]] bool ExecuteCopy(Init_AP& app, const platform::XmlNode* element);

// Decides how `source` goes to `destination`; a file copied into a folder
// gets its name appended to `destination`, refused when that would not fit a path.
[[nodiscard]] CopyKind ClassifyCopyPair(std::wstring& destination, std::wstring_view source);

// Shows the file and copies it over `destination`, creating its folder when
// missing; true when the platform copied the file.
[[nodiscard]] bool CopyOneFile(Init_AP& app, std::wstring_view source, std::wstring_view destination);

// Copies the tree under `source` into `destination`, stopping at the first
// entry that fails; true when everything was copied or there was nothing to
// copy. `copied` grows by one for each file copied.
[[nodiscard]] bool CopyFolder(Init_AP& app, std::wstring_view source, std::wstring_view destination,
                              std::int32_t& copied);

}  // namespace initap
