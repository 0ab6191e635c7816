// A file written beside its destination and put in place when complete, so
// that the destination's name never shows a half-written file. Where the
// volume allows, the file has no name until then, so a copy cut short by a
// crash leaves nothing behind.
#pragma once

#include <string>

#include "platform/filesystem.h"
#include "platform/host/files/folder_names.h"
#include "platform/host/unique_fd.h"

namespace platform::host {

class TempFile {
 public:
  // Beside the entries of `folder` (an O_PATH folder fd, borrowed).
  TempFile(int folder, FolderNames& names) : folder_(folder), names_(names) {}
  // Removes the file unless it was put in place.
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates a new unnamed (or else hidden) file, to become `name`, with the
  // permission bits `mode` (less the umask).
  FileStatus Create(const std::string& name, unsigned mode);
  // Open for writing between Create and PutInPlace.
  int Fd() const { return fd_.Get(); }
  // Gives the file the name `name` in the same folder and closes it. With
  // `replace` false an existing `name` is kept and FileExists returned.
  FileStatus PutInPlace(const std::string& name, bool replace);

 private:
  FileStatus CreateNamed(const std::string& name, unsigned mode);
  // Removes `entry` from the folder, keeping the folder's names up to date.
  int Unlink(const std::string& entry);
  // Links the unnamed file into the folder as `name`; -1 with errno EEXIST when taken.
  int LinkAs(const std::string& name);
  FileStatus PlaceUnnamed(const std::string& name, bool replace);

  int folder_;
  FolderNames& names_;
  std::string name_;
  UniqueFd fd_;
  bool placed_ = false;
};

// Renames `from` in folder `fromFolder` to `to` in `toFolder` unless `to`
// exists (errno EEXIST then). 0 or -1 with errno, like the call it stands for.
int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to);

}  // namespace platform::host
