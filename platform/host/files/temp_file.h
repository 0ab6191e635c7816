// A file written beside its destination and renamed into place when complete,
// so that the destination's name never shows a half-written file.
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

  // Creates a new hidden file with the permission bits `mode` (less the umask).
  FileStatus Create(unsigned mode);
  // Open for writing between Create and PutInPlace.
  int Fd() const { return fd_.Get(); }
  // Closes the file and renames it to `name` in the same folder. With
  // `replace` false an existing `name` is kept and FileExists returned.
  FileStatus PutInPlace(const std::string& name, bool replace);

 private:
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
