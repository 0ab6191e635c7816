// A dry run's view of the device: every change is kept in memory above the
// device folder and its mounts, which stay untouched, and reads, listings and
// finds see the changes. A copy only refers to its source, so what it costs
// does not grow with the size of the file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/filesystem.h"
#include "platform/host/files/host_files.h"
#include "platform/host/unique_fd.h"

namespace platform::host {

class CopyOnWriteView final : public HostFiles {
 public:
  // Stacked over `device`, which it never changes.
  explicit CopyOnWriteView(std::unique_ptr<HostFileSystem> device);
  ~CopyOnWriteView() override;

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
  // The host file that holds a file's content, for starting it as a program;
  // empty (errno set) when it is missing or its content exists only here.
  UniqueFd OpenFd(std::wstring_view devicePath, int openFlags) const override;
  // The device's host file, for a file this view has not changed; none otherwise.
  std::optional<std::filesystem::path> HostPathOf(std::wstring_view devicePath) const override;
  // The device folder below tells: this view hides what it hides.
  void TellHidden(HiddenEntryListener& listener) override;
  // As the view holds it, with what it changed.
  HeldPath Held(std::wstring_view devicePath) const override;

  // Adds `bytes` to the end of the file under `key`, when it is still a file.
  void Append(const std::wstring& key, std::string_view bytes);

 private:
  // A file's content: the whole of it in memory, or a file of the device
  // below, followed by what was added to its end.
  struct Content {
    std::shared_ptr<const std::string> bytes;
    std::wstring devicePath;
    std::uint64_t deviceSize = 0;
    std::string added;
    std::uint64_t Size() const { return (bytes ? bytes->size() : deviceSize) + added.size(); }
  };
  // A folder here is one made in this view: nothing of the device folder's lies below it.
  enum class Kind { Gone, Folder, File };
  struct Node {
    Kind kind = Kind::Gone;
    std::wstring name;  // as written when created
    Content content;
  };
  // Where a path leads in the view. Links of the device folder are followed
  // as the host follows them, so that every path of one file has one key.
  struct Found {
    FileStatus status = FileStatus::Ok;  // not Ok: the text itself is unusable
    bool parentFound = false;
    bool present = false;  // something is there, whatever the path asks for
    bool found = false;    // present, and a folder when the path names one
    bool folder = false;
    bool base = false;        // the root or a mounted volume
    bool mountPoint = false;  // the root or a volume's folder: it cannot be removed
    bool namesFolder = false;
    bool link = false;         // the last name is a link of the device, not followed
    bool unreachable = false;  // a link followed that leads nowhere, or round in circles
    bool loop = false;         // too many links on the way
    std::wstring key;          // folded, "\a\b"; empty for the root
    std::wstring canonical;    // "\a\b" as the device holds it, links and ".." resolved
    std::wstring written;      // the last name as written
    std::wstring askedFolder;  // the folder of the last name asked, as the host names it, links not followed
    FindData data;             // name, attributes and size of what was found
    const Node* node = nullptr;
    // A link that leads nowhere is there itself; one among too many fails as a path.
    FileStatus Missing() const {
      if (unreachable) return loop && !namesFolder ? FileStatus::PathNotFound : FileStatus::FileNotFound;
      return parentFound ? FileStatus::FileNotFound : FileStatus::PathNotFound;
    }
  };

  // `follow`: a link as the last name stands for what it leads to, as when
  // a file is opened; otherwise for itself, as when it is deleted or replaced.
  Found Look(std::wstring_view path, bool follow = true) const;
  // What `path` is in the device folder below, which this view never changes.
  // The names the device does not see beside it are told as in `askedFolder`,
  // the folder the path was asked by; not at all when null (a link's text).
  FileStatus LookBelow(const std::wstring& path, HostFileSystem::Entry& entry, const std::wstring* askedFolder) const;
  // What the device folder hid since `mark` in `folder` (as the view resolved
  // it) is told as in `askedFolder`; the rest, and all when it is null, was
  // told as it was looked at or is not the host's to tell.
  void Retell(std::size_t mark, std::wstring_view folder, const std::wstring* askedFolder) const;
  // `call` of the device folder by the path `where` resolved to, what it
  // hides told as by the path asked.
  template <typename Call>
  auto AsAsked(const Found& where, Call call) const;
  // The checks before a file is put at `where` (looked at without following):
  // Ok, or why it cannot be. `followed` receives what a link there leads to.
  FileStatus PrepareFile(const Found& where, std::wstring_view path, Found* followed = nullptr) const;
  // The same for a file written through a stream: `target` receives where the data goes.
  FileStatus PrepareWrite(std::wstring_view path, Found& target) const;
  Content ContentOf(const Found& file) const;
  // The entries of a folder found in the view, by `askedAs` when the device asked for it so.
  void ListFolder(const Found& folder, std::vector<FindData>& entries, std::wstring_view askedAs = {}) const;
  // The names in a folder of the device folder as the PC holds them, the
  // ones the device does not see too.
  std::vector<std::wstring> NamesOnThePC(const std::wstring& folder) const;
  // Whether the name `where` is missing at is one deleted here that the
  // device folder holds twice without regard to letter case: the other one
  // still takes the name on the PC, out of the device's sight.
  bool Shadowed(const Found& where) const;
  // Whether a folder of the device folder holds host entries that the device
  // does not see: what the view cannot remove keeps the folder from going.
  bool HoldsHidden(const Found& folder) const;
  void PutFile(const Found& where, Content content);

  // Holds lock_ while it lives; what the device folder hid from this thread
  // meanwhile is told once it is released, so that no listener is called
  // while the view is locked.
  class Locked;
  // Keeps what is hidden from a thread that holds lock_ until it is released.
  class HiddenRelay;

  std::unique_ptr<HostFileSystem> device_;
  std::vector<std::wstring> mountedVolumes_;  // folded
  std::unique_ptr<HiddenRelay> relay_;
  mutable std::mutex lock_;
  std::map<std::wstring, Node> nodes_;
  // The folders and links of the device folder that paths led through: they
  // are looked at again for every path below them.
  mutable std::unordered_map<std::wstring, HostFileSystem::Entry> onTheWay_;
};

}  // namespace platform::host
