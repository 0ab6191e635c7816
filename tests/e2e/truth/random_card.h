// Devices and cards made from a seed: a few volumes' worth of folders, files
// and links, and a description whose steps copy and delete among them with
// the paths a card maker gets wrong (a file where a folder is meant, "..",
// odd letter case, links that lead back into their own folder).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/device_tree.h"

namespace initap::test {

// One thing below root/, written with slashes ("FlashHd/A/x.txt").
struct CardEntry {
  enum class Kind { File, Folder, Link };
  Kind kind = Kind::File;
  std::string path;
  std::string content;  // a file's bytes, or where a link leads
};

struct RandomCard {
  std::vector<CardEntry> entries;
  std::string descriptionPath;  // below root/, "sd card/update.xml"
  std::string description;      // the whole of update.xml

  // Puts the entries and the description into `device`, which is already bootable.
  void WriteInto(DeviceTree& device) const;
  // The entries and the description as a person reads them, to rebuild a failing case by hand.
  std::string Describe() const;
};

struct CardChoices {
  // Also two names in one folder that are equal without regard to letter case.
  bool caseTwins = false;
};

// The same card for the same seed, on every run.
RandomCard MakeRandomCard(std::uint32_t seed, const CardChoices& choices = {});

}  // namespace initap::test
