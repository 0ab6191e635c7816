// Finding a folder's entry by its name without regard to letter case.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::host {

// Reading a large folder again for every new file would make copying into it
// quadratic, so the names of the folders searched last are kept. A folder's
// names are trusted while its change time is the one it had when they were
// read; changes made through Change keep them up to date. A change made by
// another program within the same instant as one of ours can go unseen until
// the folder changes again: at worst a new name then appears in a second case.
class FolderNames {
 public:
  // The name of the entry of `folder` (an open folder; O_PATH will do) whose
  // folded name is `folded`, `preferred` when that is one of them; none when
  // there is none or the folder cannot be read.
  std::optional<std::string> Find(int folder, const std::wstring& folded, const std::string& preferred);

  // Runs `change`, one call that removes the entry `removed` from `folder`
  // and/or adds `added` to it (either may be empty), and keeps the folder's
  // names up to date. Returns what `change` returned, with its errno.
  int Change(int folder, const std::string& removed, const std::string& added, const std::function<int()>& change);

 private:
  // Which folder, and when its entries last changed.
  struct Stamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool SameFolder(const Stamp& other) const { return device == other.device && inode == other.inode; }
    bool SameTime(const Stamp& other) const {
      return changedSeconds == other.changedSeconds && changedNanoseconds == other.changedNanoseconds;
    }
  };
  static bool Take(int folder, Stamp& stamp);
  struct Folder {
    Stamp stamp;
    std::unordered_multimap<std::wstring, std::string> names;  // folded -> as on the host
    std::uint64_t lastUse = 0;
  };

  Folder* Known(const Stamp& stamp);
  Folder* Read(int folder, const Stamp& stamp);

  std::mutex lock_;
  std::vector<Folder> folders_;
  std::uint64_t uses_ = 0;
};

}  // namespace platform::host
