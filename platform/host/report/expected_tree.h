// The device's volumes held against the tree its card maker wants them to
// hold: what is missing, extra or different, after the run.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform::host {

class HostFiles;

struct TreeDifference {
  enum class Kind {
    Missing,     // the tree holds it, the device does not
    Extra,       // the device holds it, the tree does not
    Differs,     // both hold it: other bytes, or a file on one side and a folder on the other
    LetterCase,  // both hold it under names that differ only in letter case
  };
  Kind kind = Kind::Missing;
  std::string path;    // the device path, UTF-8, as the device spells it where it holds it
  std::string wanted;  // for LetterCase: the tree's spelling
};

// Compares each volume folder of `tree` (a folder laid out like root/) with
// the same volume as `files` holds it, in path order. `records` are device
// paths the boot writes of itself: they are compared only where the tree
// holds them. Names are matched without regard to letter case, as the device
// matches them.
std::vector<TreeDifference> CompareWithTree(HostFiles& files, const std::filesystem::path& tree,
                                            const std::vector<std::wstring>& records);

// "\FlashHd\Maps\a.map is missing: the wanted tree holds it, the device does not."
std::string DescribeDifference(const TreeDifference& difference);

// "missing", "extra", "differs" or "letter-case".
std::string_view DifferenceKindName(TreeDifference::Kind kind);

}  // namespace platform::host
