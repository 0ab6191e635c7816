#include "platform/host/files/copy_on_write_view.h"

#include <errno.h>

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "platform/common/device_volumes.h"
#include "platform/common/listing_pattern.h"
#include "platform/common/name_case.h"
#include "platform/common/read_listing.h"
#include "platform/host/files/device_path.h"
#include "platform/host/files/host_files.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// As the device folder refuses them: only descriptions are read whole.
constexpr std::uint64_t kMaxReadFile = 64 * 1024 * 1024;

class ViewAppendStream final : public AppendStream {
 public:
  ViewAppendStream(CopyOnWriteView& view, std::wstring key) : view_(view), key_(std::move(key)) {}
  ~ViewAppendStream() override { Close(); }

  FileStatus Write(std::wstring_view text) override {
    if (closed_) return FileStatus::WriteFault;
    pending_ += ToUtf8(text);
    return FileStatus::Ok;
  }
  FileStatus Close() override {
    if (closed_) return FileStatus::Ok;
    closed_ = true;
    view_.Append(key_, pending_);
    pending_.clear();
    return FileStatus::Ok;
  }

 private:
  CopyOnWriteView& view_;
  std::wstring key_;
  std::string pending_;
  bool closed_ = false;
};

class ViewWriteStream final : public WriteStream {
 public:
  ViewWriteStream(CopyOnWriteView& view, std::wstring key) : view_(view), key_(std::move(key)) {}
  FileStatus Write(std::string_view bytes) override {
    if (closed_) return FileStatus::WriteFault;
    view_.Append(key_, bytes);
    return FileStatus::Ok;
  }
  FileStatus Close() override {
    closed_ = true;
    return FileStatus::Ok;
  }

 private:
  CopyOnWriteView& view_;
  std::wstring key_;
  bool closed_ = false;
};

FindData Describe(std::wstring name, bool folder, std::uint64_t size) {
  FindData data;
  data.name = std::move(name);
  data.attributes = folder ? kDirectoryAttribute : kNormalAttribute;
  data.size = folder ? 0 : size;
  return data;
}

std::wstring ListingPattern(const std::wstring& folder) { return folder.empty() ? L"\\*.*" : folder + L"\\*.*"; }

}  // namespace

CopyOnWriteView::CopyOnWriteView(std::unique_ptr<HostFileSystem> device)
    : device_(std::move(device)), mountedVolumes_(device_->MountedVolumes()) {}

CopyOnWriteView::~CopyOnWriteView() = default;

CopyOnWriteView::Found CopyOnWriteView::Look(std::wstring_view path, bool askDevice) const {
  Found where;
  DevicePath parsed;
  where.status = ParseDevicePath(path, parsed);
  if (where.status != FileStatus::Ok) return where;
  where.namesFolder = parsed.namesFolder;
  for (const std::string& name : parsed.names) where.canonical += L"\\" + FromUtf8(name);
  if (parsed.names.empty()) {
    where.parentFound = where.found = where.folder = where.base = where.mountPoint = true;
    where.data = Describe(L"\\", true, 0);
    return where;
  }
  where.written = FromUtf8(parsed.names.back());
  const std::size_t count = parsed.names.size();
  bool parentInView = count == 1;  // the root is always there
  for (std::size_t i = 0; i < count; ++i) {
    where.key += L"\\" + FoldName(FromUtf8(parsed.names[i]));
    const auto node = nodes_.find(where.key);
    if (node == nodes_.end()) continue;
    if (i + 1 < count) {
      // A folder on the way that is gone, or a file in its place: nothing lies below.
      if (node->second.kind != Kind::Folder) return where;
      parentInView = i + 2 == count;
      continue;
    }
    where.node = &node->second;
    where.parentFound = true;
    where.found = node->second.kind != Kind::Gone;
    where.folder = node->second.kind == Kind::Folder;
    where.data = Describe(node->second.name, where.folder, node->second.content.Size());
  }
  if (where.node == nullptr && parentInView && count > 1) {
    // A folder made in this view holds nothing of the device folder's (what
    // it held there was deleted here first): the device need not be asked.
    where.parentFound = true;
  } else if (where.node == nullptr && !askDevice) {
    where.deviceDecides = true;
  } else if (where.node == nullptr) {
    // Untouched here: the device folder below decides.
    std::unique_ptr<FindHandle> listing;
    const FileStatus below = device_->FindFirst(where.canonical, where.data, listing);
    if (below == FileStatus::Ok) {
      where.parentFound = where.found = true;
      where.folder = (where.data.attributes & kDirectoryAttribute) != 0;
    } else if (below == FileStatus::FileNotFound || below == FileStatus::PathNotFound) {
      // A folder made in this view holds nothing of the device folder's.
      where.parentFound = below == FileStatus::FileNotFound || parentInView;
    } else {
      where.status = below;
      return where;
    }
  }
  where.base = count == 1 &&
               std::find(mountedVolumes_.begin(), mountedVolumes_.end(), where.key.substr(1)) != mountedVolumes_.end();
  where.mountPoint = where.base || (count == 1 && IsVolumeName(where.written));
  // A path written as a folder does not find a file.
  if (where.namesFolder && where.found && !where.folder) where.found = false;
  return where;
}

FileStatus CopyOnWriteView::PrepareFile(const Found& where) const {
  if (where.status != FileStatus::Ok) return where.status;
  if (where.base) return FileStatus::AccessDenied;
  if (!where.parentFound) return FileStatus::PathNotFound;
  if (where.namesFolder) return where.found ? FileStatus::AccessDenied : FileStatus::InvalidName;
  if (where.folder) return FileStatus::AccessDenied;
  return FileStatus::Ok;
}

CopyOnWriteView::Content CopyOnWriteView::ContentOf(const Found& file) const {
  if (file.node != nullptr) return file.node->content;
  Content content;
  content.devicePath = file.canonical;
  content.deviceSize = file.data.size;
  return content;
}

void CopyOnWriteView::PutFile(const Found& where, Content content) {
  Node& node = nodes_[where.key];
  // A file replaced keeps the name it had.
  node.name = where.found ? where.data.name : where.written;
  node.kind = Kind::File;
  node.content = std::move(content);
}

void CopyOnWriteView::ListFolder(const Found& folder, std::vector<FindData>& entries) const {
  FindData entry;
  std::unique_ptr<FindHandle> listing;
  if (device_->FindFirst(ListingPattern(folder.canonical), entry, listing) == FileStatus::Ok) {
    do entries.push_back(entry);
    while (listing->Next(entry) == FileStatus::Ok);
  }
  std::unordered_map<std::wstring, std::size_t> byName;
  for (std::size_t i = 0; i < entries.size(); ++i) byName.emplace(FoldName(entries[i].name), i);
  std::vector<bool> removed(entries.size(), false);
  const std::wstring prefix = folder.key + L"\\";
  for (auto node = nodes_.lower_bound(prefix); node != nodes_.end() && node->first.starts_with(prefix); ++node) {
    const std::wstring_view name = std::wstring_view(node->first).substr(prefix.size());
    if (name.find(L'\\') != std::wstring_view::npos) continue;  // deeper down
    const bool folderNode = node->second.kind == Kind::Folder;
    FindData changed = Describe(node->second.name, folderNode, node->second.content.Size());
    const auto known = byName.find(std::wstring(name));
    if (known != byName.end() && node->second.kind == Kind::Gone) {
      removed[known->second] = true;
    } else if (known != byName.end()) {
      entries[known->second] = std::move(changed);
    } else if (node->second.kind != Kind::Gone) {
      entries.push_back(std::move(changed));
    }
  }
  std::vector<FindData> kept;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i >= removed.size() || !removed[i]) kept.push_back(std::move(entries[i]));
  }
  entries = std::move(kept);
}

FileStatus CopyOnWriteView::TestOpenForRead(std::wstring_view path) {
  std::lock_guard guard(lock_);
  const Found where = Look(path);
  if (where.status != FileStatus::Ok) return where.status;
  if (where.base) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  if (where.folder) return FileStatus::AccessDenied;
  return where.node != nullptr ? FileStatus::Ok : device_->TestOpenForRead(where.canonical);
}

FileStatus CopyOnWriteView::FindFirst(std::wstring_view pattern, FindData& first,
                                      std::unique_ptr<FindHandle>& listing) {
  listing.reset();
  std::lock_guard guard(lock_);
  std::vector<FindData> entries;
  if (const std::optional<std::wstring_view> folder = ListedFolder(pattern)) {
    const Found where = Look(*folder);
    if (where.status != FileStatus::Ok) return where.status;
    if (!where.found || !where.folder) return FileStatus::PathNotFound;
    ListFolder(where, entries);
    if (entries.empty()) return FileStatus::NoMoreFiles;
  } else {
    const Found where = Look(pattern);
    if (where.status != FileStatus::Ok) return where.status;
    if (!where.found) return where.Missing();
    entries.push_back(where.data);
  }
  first = std::move(entries.front());
  entries.erase(entries.begin());
  listing = std::make_unique<ReadListing>(std::move(entries));
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::CreateDirectory(std::wstring_view path) {
  std::lock_guard guard(lock_);
  const Found where = Look(path);
  if (where.status != FileStatus::Ok) return where.status;
  if (where.base || where.found) return FileStatus::AlreadyExists;
  if (!where.parentFound) return FileStatus::PathNotFound;
  nodes_[where.key] = Node{Kind::Folder, where.written, {}};
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::RemoveDirectory(std::wstring_view path) {
  std::lock_guard guard(lock_);
  const Found where = Look(path);
  if (where.status != FileStatus::Ok) return where.status;
  if (where.mountPoint) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  if (!where.folder) return FileStatus::PathNotFound;
  std::vector<FindData> entries;
  ListFolder(where, entries);
  if (!entries.empty()) return FileStatus::DirectoryNotEmpty;
  nodes_[where.key] = Node{};
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::DeleteFile(std::wstring_view path) {
  std::lock_guard guard(lock_);
  const Found where = Look(path);
  if (where.status != FileStatus::Ok) return where.status;
  if (where.base || where.folder) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  nodes_[where.key] = Node{};
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  std::lock_guard guard(lock_);
  Found from = Look(source, false);
  if (from.status != FileStatus::Ok) return from.status;
  // A file of the device folder must be readable to be copied at all: one
  // open tells that, and what the copy refers to, as the view would.
  if (from.deviceDecides) {
    if (const FileStatus readable = device_->TestOpenForRead(from.canonical, from.data.size);
        readable != FileStatus::Ok) {
      return readable;
    }
    from.found = true;
  }
  if (from.base || from.folder) return FileStatus::AccessDenied;
  if (!from.found) return from.Missing();
  const Found to = Look(destination);
  if (const FileStatus status = PrepareFile(to); status != FileStatus::Ok) return status;
  if (to.found && failIfExists) return FileStatus::FileExists;
  if (to.found && to.key == from.key) return FileStatus::AccessDenied;
  PutFile(to, ContentOf(from));
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::MoveFile(std::wstring_view source, std::wstring_view destination) {
  std::lock_guard guard(lock_);
  const Found from = Look(source);
  if (from.status != FileStatus::Ok) return from.status;
  if (from.mountPoint) return FileStatus::AccessDenied;
  if (!from.found) return from.Missing();
  const Found to = Look(destination);
  if (to.status != FileStatus::Ok) return to.status;
  if (to.base) return FileStatus::AlreadyExists;
  if (!to.parentFound) return FileStatus::PathNotFound;
  // Only a change of letter case may move a file onto the name it has.
  if (to.found && to.key != from.key) return FileStatus::AlreadyExists;
  // Folders keep their place in a dry run: what lies below them is the device's.
  if (from.folder) return FileStatus::AccessDenied;
  Content content = ContentOf(from);
  nodes_[from.key] = Node{};
  nodes_[to.key] = Node{Kind::File, to.written, std::move(content)};
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  stream.reset();
  std::lock_guard guard(lock_);
  const Found where = Look(path);
  if (const FileStatus status = PrepareFile(where); status != FileStatus::Ok) return status;
  if (where.node == nullptr || !where.found) {
    Content content;
    if (where.found)
      content = ContentOf(where);
    else
      content.bytes = std::make_shared<const std::string>();
    PutFile(where, std::move(content));
  }
  stream = std::make_unique<ViewAppendStream>(*this, where.key);
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  stream.reset();
  std::lock_guard guard(lock_);
  const Found where = Look(path);
  if (const FileStatus status = PrepareFile(where); status != FileStatus::Ok) return status;
  Content empty;
  empty.bytes = std::make_shared<const std::string>();
  PutFile(where, std::move(empty));
  stream = std::make_unique<ViewWriteStream>(*this, where.key);
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  std::lock_guard guard(lock_);
  const Found where = Look(path);
  if (const FileStatus status = PrepareFile(where); status != FileStatus::Ok) return status;
  Content content;
  content.bytes = std::make_shared<const std::string>(bytes);
  PutFile(where, std::move(content));
  return FileStatus::Ok;
}

void CopyOnWriteView::Append(const std::wstring& key, std::string_view bytes) {
  std::lock_guard guard(lock_);
  const auto node = nodes_.find(key);
  // Written after its file was deleted, as into an unlinked file: lost.
  if (node == nodes_.end() || node->second.kind != Kind::File) return;
  node->second.content.added += bytes;
}

FileStatus CopyOnWriteView::ReadFile(std::wstring_view path, std::string& bytes) {
  bytes.clear();
  Content content;
  {
    std::lock_guard guard(lock_);
    const Found where = Look(path);
    if (where.status != FileStatus::Ok) return where.status;
    if (where.base || where.folder) return FileStatus::AccessDenied;
    if (!where.found) return where.Missing();
    if (where.node == nullptr) return device_->ReadFile(where.canonical, bytes);
    content = where.node->content;
  }
  if (content.Size() > kMaxReadFile) return FileStatus::FileTooLarge;
  if (content.bytes) {
    bytes = *content.bytes;
  } else if (const FileStatus status = device_->ReadFile(content.devicePath, bytes); status != FileStatus::Ok) {
    return status;
  }
  bytes += content.added;
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::FlushVolume(std::wstring_view path) {
  // Nothing reaches the volume in a dry run, so there is nothing to wait for.
  DevicePath parsed;
  return ParseDevicePath(path, parsed);
}

UniqueFd CopyOnWriteView::OpenFd(std::wstring_view devicePath, int openFlags) const {
  std::lock_guard guard(lock_);
  const Found where = Look(devicePath);
  if (where.status != FileStatus::Ok || !where.found) {
    errno = ENOENT;
    return UniqueFd();
  }
  if (where.node == nullptr) return device_->OpenFd(where.canonical, openFlags);
  const Content& content = where.node->content;
  if (where.folder || content.bytes || !content.added.empty()) {
    errno = EACCES;
    return UniqueFd();
  }
  return device_->OpenFd(content.devicePath, openFlags);
}

std::optional<std::filesystem::path> CopyOnWriteView::HostPathOf(std::wstring_view devicePath) const {
  std::lock_guard guard(lock_);
  const Found where = Look(devicePath);
  if (where.status != FileStatus::Ok || !where.found) return std::nullopt;
  if (where.node == nullptr) return device_->HostPathOf(where.canonical);
  return std::nullopt;
}

}  // namespace platform::host
