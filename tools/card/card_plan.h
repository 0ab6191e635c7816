// What a card must do to a device so that each volume the wanted tree holds
// becomes equal to it: the steps of its update list and the files it carries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace initap::card {

// The card's own folder of the files it carries, one folder per volume:
// "files\FlashHd\Maps\a.map" is copied to "\FlashHd\Maps\a.map".
inline constexpr std::string_view kCardFiles = "files";

struct CardStep {
  enum class Kind { DeleteFile, DeleteFolder, CopyFile, CopyFolder };
  Kind kind = Kind::CopyFile;
  // Below the root, its names joined with "/": the volume as the device names
  // it, then the names as the wanted tree (for a copy) or the device (for a
  // delete) spells them.
  std::string path;
  // What a copy carries: the file or folder of the wanted tree.
  std::filesystem::path source;
};

struct CardPlan {
  // Files and folders that go, or change between file and folder, or only
  // change their letter case; then what is copied, a whole folder where every
  // file in it is new or changed, single files otherwise. Each in path order.
  std::vector<CardStep> deletes;
  std::vector<CardStep> copies;
};

// Compares each volume folder of `wanted` with the same volume of the device
// whose root folder is `deviceRoot` (names matched without regard to letter
// case, as the device matches them) and plans the steps; the boot's own
// records stay unless `wanted` holds them. False with a
// one-line `error` for what the device cannot be made to hold: a file
// directly in `wanted`, a folder there that is no volume of the device or is
// the SD card itself, a name a device volume cannot hold, two names that
// differ only in letter case, or a path, on the device or on the card, longer
// than a device path can be.
bool PlanCard(const std::filesystem::path& deviceRoot, const std::filesystem::path& wanted, CardPlan& plan,
              std::string& error);

}  // namespace initap::card
