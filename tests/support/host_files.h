// Files put into and taken out of a test's folders from the host side.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace initap::test {

// Writes `content` as the whole of `file`, creating its folders.
void WriteHostFile(const std::filesystem::path& file, std::string_view content);
// The bytes of `file`; empty when it cannot be read.
std::string ReadHostFile(const std::filesystem::path& file);

}  // namespace initap::test
