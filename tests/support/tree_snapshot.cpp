#include "tests/support/tree_snapshot.h"

#include "tests/support/host_files.h"

namespace initap::test {

std::map<std::string, std::string> TreeSnapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    // Not relative(), which follows a link to name what it leads to.
    const std::string name = entry.path().lexically_relative(folder).generic_string();
    if (entry.is_symlink()) {
      tree[name] = "<link " + std::filesystem::read_symlink(entry.path()).string() + ">";
    } else if (entry.is_directory()) {
      tree[name] = "<folder>";
    } else {
      tree[name] = ReadHostFile(entry.path());
    }
  }
  return tree;
}

}  // namespace initap::test
