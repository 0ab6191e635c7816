#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <string>

namespace initap::test {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "initap-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code error;
  // Tests may leave folders without write permission behind.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
  }
  std::filesystem::remove_all(path_, error);
}

}  // namespace initap::test
