// Everything below a host folder, for telling whether a run changed it.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace initap::test {

// Each path below `folder` ("a/b.txt") with its bytes; a folder as "<folder>",
// a link as "<link TARGET>".
std::map<std::string, std::string> TreeSnapshot(const std::filesystem::path& folder);

}  // namespace initap::test
