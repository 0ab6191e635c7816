// The device's file system on the host: device paths resolved, without regard
// to letter case, inside DEVICE/root and the mounted volumes, never outside.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/host/device_folder.h"
#include "platform/host/files/device_entry.h"
#include "platform/host/files/path_resolver.h"
#include "platform/host/unique_fd.h"

struct stat;

namespace platform::host {

// A device path as the device holds it.
struct HeldPath {
  // "\\A\\b": the folders on the way, links followed, and the last name, each
  // in the letter case the volume gives it (as written where it is missing),
  // ".." resolved; empty for the root and for a text that is no device path.
  std::wstring path;
  bool link = false;  // the last name is a link, which goes as a file whatever it leads to
};

// The file system of a device folder, with what the host's own services
// need beyond the device's calls: the host files behind device paths.
class HostFiles : public FileSystem {
 public:
  // The path that `devicePath` names, as the device holds it.
  virtual HeldPath Held(std::wstring_view devicePath) const = 0;
  // Opens the file or folder a device path leads to with open(2) `openFlags`
  // (a file created gets 0666 less the umask); empty on failure, errno set.
  virtual UniqueFd OpenFd(std::wstring_view devicePath, int openFlags) const = 0;
  // The host path a device path leads to, when it exists: the real path of
  // what was opened inside the device, links followed.
  virtual std::optional<std::filesystem::path> HostPathOf(std::wstring_view devicePath) const = 0;
  // `listener` is told of the host entries that the device does not see, as
  // listings and lookups come across them; it outlives these files.
  virtual void TellHidden(HiddenEntryListener& listener) = 0;
};

// The device folder's files: the host's own, or for a dry run a
// copy-on-write view stacked over them, so that nothing is ever written
// into the folder. None, with a one-line `error`, as HostFileSystem::Open.
std::unique_ptr<HostFiles> OpenHostFiles(const DeviceFolder& device, std::string& error);

class HostFileSystem final : public HostFiles {
 public:
  // None, with a one-line `error`, when root/ or a mounted folder is missing
  // or a mount's volume name is unusable. Opens the folder as it is, dry run or not.
  static std::unique_ptr<HostFileSystem> Open(const DeviceFolder& device, std::string& error);

  FileStatus TestOpenForRead(std::wstring_view path) override;
  FileStatus FindFirst(std::wstring_view pattern, FindData& first, std::unique_ptr<FindHandle>& listing) override;
  FileStatus CreateDirectory(std::wstring_view path) override;
  FileStatus RemoveDirectory(std::wstring_view path) override;
  FileStatus CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) override;
  FileStatus MoveFile(std::wstring_view source, std::wstring_view destination) override;
  FileStatus DeleteFile(std::wstring_view path) override;
  FileStatus OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) override;
  FileStatus CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) override;
  FileStatus ReadFile(std::wstring_view path, std::string& bytes) override;
  FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) override;
  FileStatus FlushVolume(std::wstring_view path) override;

  UniqueFd OpenFd(std::wstring_view devicePath, int openFlags) const override;
  std::optional<std::filesystem::path> HostPathOf(std::wstring_view devicePath) const override;
  void TellHidden(HiddenEntryListener& listener) override { resolver_.SetListener(&listener); }
  HeldPath Held(std::wstring_view devicePath) const override;

  // The folded names of the volumes that host folders stand in for.
  std::vector<std::wstring> MountedVolumes() const;

  // What a name of the device is itself, a link not followed.
  struct Entry {
    enum class Kind { None, File, Folder, Link };
    Kind kind = Kind::None;
    std::wstring name;     // as the host spells it
    std::string linkText;  // where a link leads, as it is written on the host
  };
  // The last name of `path`, whose folders are found without a link on the
  // way, so that the dry run's view can follow links as this file system does.
  FileStatus LookAt(std::wstring_view path, Entry& entry) const;
  // A folder's entries as a listing gives them; `links` receives the
  // positions of the entries that are links, described by what they lead to.
  // `askedAs`, when given, is the path the device asked by, through links,
  // that the device's path limit holds each entry's path to.
  FileStatus ListFolder(std::wstring_view folder, std::vector<FindData>& entries, std::vector<std::size_t>* links,
                        std::wstring_view askedAs = {});
  // Tells the listener of an entry the device does not see.
  void Tell(const HiddenEntry& hidden) const;

 private:
  HostFileSystem(UniqueFd root, std::vector<MountedVolume> volumes) : resolver_(std::move(root), std::move(volumes)) {}

  FileStatus FindPath(std::wstring_view path, FindData& found);
  // Opens an existing regular file for reading; `st` describes it.
  FileStatus OpenForRead(std::wstring_view path, UniqueFd& file, struct stat& st) const;
  // Opens (creating when missing) for writing with `flags` added.
  FileStatus OpenForWrite(std::wstring_view path, int flags, UniqueFd& file);
  FileStatus MoveAcrossVolumes(std::wstring_view source, std::wstring_view destination);
  // A file at `path` that the device's volumes cannot hold, told as hidden.
  bool TooLarge(std::wstring_view path, const struct stat& st) const;

  PathResolver resolver_;
};

}  // namespace platform::host
