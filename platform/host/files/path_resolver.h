// Device paths to host names: which confined folder a path lies in, and the
// names on the way as they are spelled on the host.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/host/files/confined_open.h"
#include "platform/host/files/device_entry.h"
#include "platform/host/files/folder_names.h"
#include "platform/host/unique_fd.h"

namespace platform::host {

// A host folder that stands in for a volume.
struct MountedVolume {
  std::wstring name;  // as given on the command line
  std::wstring folded;
  UniqueFd folder;  // O_PATH
};

// What a name itself is, a link not followed: its type and which file it is.
struct EntryStat {
  unsigned mode = 0;
  unsigned long long device = 0;
  unsigned long long inode = 0;
};

// Where a device path leads. Paths are relative to `base`, "/"-separated.
struct HostLocation {
  int base = -1;             // borrowed: root/ or a mounted folder; nothing below it leads out
  int volume = -1;           // the mounted volume `base` belongs to, -1 for root/
  std::string parent = ".";  // the folder that holds `name`
  std::string name;          // the last name as on the host (as written when missing); empty for `base` itself
  std::string written;       // the last name as written
  bool parentFound = false;  // every folder up to the last name exists
  bool found = false;        // the last name exists too (and is a folder when the path names one)
  bool shadowed = false;     // the last name is on the PC only: hidden behind a twin that is gone
  bool namesFolder = false;  // written with a trailing separator
  UniqueFd target;           // what the last name leads to, when that could be opened
  UniqueFd parentFolder;     // O_PATH: `parent`, opened when it was walked through
  EntryStat entry;           // the last name itself, a link not followed (ResolveEntry)

  bool IsBase() const { return name.empty(); }
  std::string Path() const { return IsBase() ? parent : JoinHostPath(parent, name); }
  // The status for a path that was not found: PathNotFound when a folder on the way is missing.
  FileStatus Missing() const { return parentFound ? FileStatus::FileNotFound : FileStatus::PathNotFound; }
};

class PathResolver {
 public:
  PathResolver(UniqueFd root, std::vector<MountedVolume> volumes)
      : root_(std::move(root)), volumes_(std::move(volumes)) {}

  // Finds `devicePath`, each name without regard to case as the device sees
  // it (FolderNames::Find), and opens what it leads to as `where.target` with
  // `targetFlags` (a path-only descriptor without them). Ok unless the text
  // itself is unusable (InvalidName, PathNotFound).
  FileStatus Resolve(std::wstring_view devicePath, HostLocation& where, int targetFlags) const;
  FileStatus Resolve(std::wstring_view devicePath, HostLocation& where) const;
  // The same for a call on the entry itself: opens `where.parentFolder` and
  // fills `where.entry`; `where.target` only for a link.
  FileStatus ResolveEntry(std::wstring_view devicePath, HostLocation& where) const;

  // OpenInside(base, path, flags), save that what a link of root/ leads to
  // in the device folder's own folder of a mounted volume's name is not
  // opened: the device sees the mounted folder there (ENOENT).
  UniqueFd Open(int base, const std::string& path, int flags) const;

  int Root() const { return root_.Get(); }
  const std::vector<MountedVolume>& Volumes() const { return volumes_; }
  FolderNames& Names() const { return names_; }
  // Told of the names that a lookup finds hidden behind a twin; may be null.
  void SetListener(HiddenEntryListener* listener) { listener_ = listener; }
  HiddenEntryListener* Listener() const { return listener_; }

 private:
  FileStatus Locate(std::wstring_view devicePath, HostLocation& where, bool entry, int targetFlags) const;
  // The device's spelling of `name` in the open `folder` (the device path
  // `deviceFolder`), telling the listener of its twins; none when missing, and
  // `shadowed` set when a hidden twin takes the name on the PC.
  std::optional<std::string> Spelled(int folder, std::wstring_view deviceFolder, const std::string& name,
                                     bool* shadowed = nullptr) const;

  UniqueFd root_;
  std::vector<MountedVolume> volumes_;
  std::optional<std::string> rootPath_ = RealPathOf(root_.Get());  // to tell where links led
  mutable FolderNames names_;
  HiddenEntryListener* listener_ = nullptr;
};

}  // namespace platform::host
