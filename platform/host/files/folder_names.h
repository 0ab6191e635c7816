// Finding a folder's entry by its name without regard to letter case.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
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
  // folded name is `folded`, as the device sees it: of names that differ only
  // in letter case the first in code point order, the others put into
  // `twins`; none when there is none or the folder cannot be read. Names the
  // device cannot hold are never found, nor twins hidden before: `shadowed`
  // is set when only those hold the name.
  std::optional<std::string> Find(int folder, const std::wstring& folded, std::vector<std::string>& twins,
                                  bool* shadowed = nullptr);

  // A name hidden behind its twin stays hidden for the rest of the boot, also
  // once the twin is gone: a dry run keeps one entry under a folded name, and
  // both must see the same.
  void HideTwin(int folder, const std::string& name);
  bool IsHiddenTwin(int folder, const std::string& name);

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
  std::set<std::tuple<std::uint64_t, std::uint64_t, std::string>> hiddenTwins_;  // folder device, inode, name
  std::vector<Folder> folders_;
  std::uint64_t uses_ = 0;
};

}  // namespace platform::host
