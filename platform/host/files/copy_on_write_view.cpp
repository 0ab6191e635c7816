#include "platform/host/files/copy_on_write_view.h"

#include <errno.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/common/device_names.h"
#include "platform/common/device_volumes.h"
#include "platform/common/listing_pattern.h"
#include "platform/common/name_case.h"
#include "platform/common/read_listing.h"
#include "platform/host/files/device_entry.h"
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

// As the host lists a link that leads nowhere: an empty file.
FindData Unreachable(std::wstring name) { return Describe(std::move(name), false, 0); }

// The host's kernel follows at most this many links for one path.
constexpr int kMostLinks = 40;

// A name on the way to a file; a name out of a link's text is matched in its
// own letter case only, as the host matches it.
struct Step {
  std::wstring name;
  bool exact = false;
};

// Where a link in the folder `held` leads, with its text written as the host
// reads it: from that folder, or from the top with a leading "/"; ".." never
// leads above the top, which is a mounted volume's own folder inside it.
std::vector<Step> LinkTarget(const std::vector<std::wstring>& held, const std::string& text,
                             const std::vector<std::wstring>& mounted) {
  const bool inMount =
      !held.empty() && std::find(mounted.begin(), mounted.end(), FoldName(held.front())) != mounted.end();
  const std::size_t top = inMount ? 1 : 0;
  std::vector<Step> steps;
  for (const std::wstring& folder : held) steps.push_back({folder, true});
  if (text.starts_with('/')) steps.resize(top);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part != "..") {
      steps.push_back({FromUtf8(part), true});
    } else if (steps.size() > top) {
      steps.pop_back();
    }
  }
  return steps;
}

// Whether a link of root/'s own volumes, whose `target` steps LinkTarget
// gave, leads to a volume that a mounted folder stands in for.
bool LeadsBehindMount(const std::vector<std::wstring>& held, const std::vector<Step>& target,
                      const std::vector<std::wstring>& mounted) {
  const auto isMounted = [&](const std::wstring& name) {
    return std::find(mounted.begin(), mounted.end(), FoldName(name)) != mounted.end();
  };
  const bool inMount = !held.empty() && isMounted(held.front());
  return !inMount && !target.empty() && isMounted(target.front().name);
}

// "\\a\\b" -> "\\a"; "\\a" -> "", the root.
std::wstring ParentOf(std::wstring_view path) {
  return std::wstring(path.substr(0, std::min(path.rfind(L'\\'), path.size())));
}

// Whether `path` names an entry in `folder`, letter case aside. What a look
// or a listing comes across lies in the folder looked in or on the way to
// it, so the rest of the path is the entry's name (which may hold a "\\").
bool InFolder(std::wstring_view path, std::wstring_view folder) {
  return path.size() > folder.size() && path[folder.size()] == L'\\' &&
         FoldName(path.substr(0, folder.size())) == FoldName(folder);
}

}  // namespace

class CopyOnWriteView::HiddenRelay final : public HiddenEntryListener {
 public:
  void Hidden(const HiddenEntry& entry) override {
    {
      const std::lock_guard guard(lock_);
      if (quiet_.contains(std::this_thread::get_id())) return;
    }
    if (holder.load() != std::this_thread::get_id()) {
      if (listener != nullptr) listener->Hidden(entry);
      return;
    }
    const std::lock_guard guard(lock_);
    held_[std::this_thread::get_id()].push_back(entry);
  }
  // How many entries are kept for this thread: a mark to take them back from.
  std::size_t Mark() {
    const std::lock_guard guard(lock_);
    return held_[std::this_thread::get_id()].size();
  }
  // The entries kept for this thread since `mark`, no longer kept.
  std::vector<HiddenEntry> TakeSince(std::size_t mark) {
    const std::lock_guard guard(lock_);
    std::vector<HiddenEntry>& mine = held_[std::this_thread::get_id()];
    std::vector<HiddenEntry> taken(mine.begin() + static_cast<std::ptrdiff_t>(std::min(mark, mine.size())), mine.end());
    mine.resize(std::min(mark, mine.size()));
    return taken;
  }
  void Keep(HiddenEntry entry) {
    const std::lock_guard guard(lock_);
    held_[std::this_thread::get_id()].push_back(std::move(entry));
  }
  // Tells the listener what was kept for this thread.
  void Release() {
    std::vector<HiddenEntry> mine;
    {
      const std::lock_guard guard(lock_);
      const auto kept = held_.find(std::this_thread::get_id());
      if (kept == held_.end()) return;
      mine = std::move(kept->second);
      held_.erase(kept);
    }
    if (listener == nullptr) return;
    for (const HiddenEntry& entry : mine) listener->Hidden(entry);
  }

  // Nothing is told of what this thread's looks come across while it lives.
  class Quiet {
   public:
    explicit Quiet(HiddenRelay& relay) : relay_(relay) {
      const std::lock_guard guard(relay_.lock_);
      outermost_ = relay_.quiet_.insert(std::this_thread::get_id()).second;
    }
    ~Quiet() {
      const std::lock_guard guard(relay_.lock_);
      if (outermost_) relay_.quiet_.erase(std::this_thread::get_id());
    }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    HiddenRelay& relay_;
    bool outermost_ = false;
  };

  HiddenEntryListener* listener = nullptr;  // set before the boot
  std::atomic<std::thread::id> holder{};    // the thread that holds the view's lock

 private:
  std::mutex lock_;
  std::set<std::thread::id> quiet_;
  std::map<std::thread::id, std::vector<HiddenEntry>> held_;
};

class CopyOnWriteView::Locked {
 public:
  explicit Locked(const CopyOnWriteView& view) : view_(view) {
    view_.lock_.lock();
    view_.relay_->holder.store(std::this_thread::get_id());
  }
  ~Locked() {
    view_.relay_->holder.store(std::thread::id{});
    view_.lock_.unlock();
    view_.relay_->Release();
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  const CopyOnWriteView& view_;
};

CopyOnWriteView::CopyOnWriteView(std::unique_ptr<HostFileSystem> device)
    : device_(std::move(device)), mountedVolumes_(device_->MountedVolumes()), relay_(std::make_unique<HiddenRelay>()) {
  device_->TellHidden(*relay_);
}

CopyOnWriteView::~CopyOnWriteView() = default;

void CopyOnWriteView::TellHidden(HiddenEntryListener& listener) { relay_->listener = &listener; }

void CopyOnWriteView::Retell(std::size_t mark, std::wstring_view folder, const std::wstring* askedFolder) const {
  for (HiddenEntry& hidden : relay_->TakeSince(mark)) {
    if (askedFolder == nullptr || !InFolder(hidden.path, folder)) continue;
    hidden.path = *askedFolder + hidden.path.substr(folder.size());
    relay_->Keep(std::move(hidden));
  }
}

template <typename Call>
auto CopyOnWriteView::AsAsked(const Found& where, Call call) const {
  const std::size_t mark = relay_->Mark();
  auto result = call(where.canonical);
  Retell(mark, ParentOf(where.canonical), &where.askedFolder);
  return result;
}

CopyOnWriteView::Found CopyOnWriteView::Look(std::wstring_view path, bool follow) const {
  Found where;
  DevicePath parsed;
  where.status = ParseDevicePath(path, parsed);
  if (where.status != FileStatus::Ok) return where;
  where.namesFolder = parsed.namesFolder;
  std::vector<Step> steps;
  for (const std::string& name : parsed.names) steps.push_back({FromUtf8(name), false});
  if (!steps.empty()) where.written = steps.back().name;
  std::wstring shownName;             // a followed link is listed under its own name
  std::vector<std::wstring> held;     // the folders on the way, as the device holds them
  bool viewOnly = false;              // below a folder made here
  std::vector<std::wstring> missing;  // names from the first folder on the way that is missing
  std::wstring askedFolder;           // the path asked up to this name, as the host names it
  int links = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const bool last = i + 1 == steps.size();
    const std::wstring key = where.key + L"\\" + FoldName(steps[i].name);
    Kind kind = Kind::Gone;
    std::wstring name;
    std::uint64_t size = 0;
    const auto node = nodes_.find(key);
    if (node != nodes_.end()) {
      // A link's text is taken as the host takes it: letter case and all.
      kind = steps[i].exact && node->second.name != steps[i].name ? Kind::Gone : node->second.kind;
      name = node->second.name;
      size = node->second.content.Size();
      if (last && kind != Kind::Gone) where.node = &node->second;
    } else if (!viewOnly) {
      std::wstring asked;
      for (const std::wstring& folder : held) asked += L"\\" + folder;
      asked += L"\\" + steps[i].name;
      HostFileSystem::Entry entry;
      if (const FileStatus status = LookBelow(asked, entry, steps[i].exact ? nullptr : &askedFolder);
          status != FileStatus::Ok) {
        where.status = status;
        return where;
      }
      if (steps[i].exact && entry.name != steps[i].name) entry.kind = HostFileSystem::Entry::Kind::None;
      if (entry.kind == HostFileSystem::Entry::Kind::Link && (follow || !last)) {
        if (last) shownName = entry.name;
        if (++links > kMostLinks) {
          // As the host gives up: the name is there, but leads nowhere.
          where.loop = true;
          where.unreachable = where.parentFound = last;
          where.data = Unreachable(entry.name);
          return where;
        }
        if (!steps[i].exact) {
          if (last) where.askedFolder = askedFolder;
          askedFolder += L"\\" + entry.name;
        }
        std::vector<Step> target = LinkTarget(held, entry.linkText, mountedVolumes_);
        if (LeadsBehindMount(held, target, mountedVolumes_)) {
          // As the host finds it: the device folder's own folder of that name is not the device's.
          where.unreachable = where.parentFound = last;
          where.data = Unreachable(entry.name);
          return where;
        }
        target.insert(target.end(), steps.begin() + static_cast<std::ptrdiff_t>(i) + 1, steps.end());
        steps = std::move(target);
        held.clear();
        where.key.clear();
        i = static_cast<std::size_t>(-1);  // from the top again
        if (steps.empty()) break;
        continue;
      }
      switch (entry.kind) {
        case HostFileSystem::Entry::Kind::None: break;
        case HostFileSystem::Entry::Kind::Link: where.link = true; [[fallthrough]];
        case HostFileSystem::Entry::Kind::File: kind = Kind::File; break;
        case HostFileSystem::Entry::Kind::Folder: kind = Kind::Folder; break;
      }
      name = entry.name;
    }
    if (!last) {
      // A folder on the way that is gone, or a file in its place: nothing lies below.
      if (kind != Kind::Folder) {
        // The rest as written.
        for (std::size_t rest = i; rest < steps.size(); ++rest) missing.push_back(steps[rest].name);
        break;
      }
      viewOnly = viewOnly || node != nodes_.end();
      held.push_back(name);
      if (!steps[i].exact) {
        // A mounted volume is named as asked, as the host names it.
        const bool mounted = i == 0 && std::find(mountedVolumes_.begin(), mountedVolumes_.end(),
                                                 FoldName(steps[i].name)) != mountedVolumes_.end();
        askedFolder += L"\\" + (mounted ? steps[i].name : name);
      }
      where.key = key;
      continue;
    }
    if (!steps[i].exact) where.askedFolder = askedFolder;
    where.key = key;
    where.parentFound = true;
    where.present = kind != Kind::Gone;
    where.folder = kind == Kind::Folder;
    if (!where.present) name = steps[i].name;
    held.push_back(name);
    if (where.present) where.data = Describe(name, where.folder, size);
  }
  for (const std::wstring& folder : held) where.canonical += L"\\" + folder;
  for (const std::wstring& name : missing) where.canonical += L"\\" + name;
  if (!missing.empty()) {
    where.parentFound = false;
  } else if (steps.empty()) {
    where.parentFound = where.present = where.folder = where.base = where.mountPoint = true;
    where.data = Describe(L"\\", true, 0);
  } else if (held.size() == 1) {
    where.base =
        std::find(mountedVolumes_.begin(), mountedVolumes_.end(), where.key.substr(1)) != mountedVolumes_.end();
  }
  // The root and the volumes' own folders are the device's mount points.
  if (!steps.empty() && held.size() + missing.size() == 1) {
    where.mountPoint = where.base || IsVolumeName(where.written);
  }
  if (where.present && where.node == nullptr && !where.link && !where.folder) {
    // The device's own file, whose size the device folder tells.
    std::unique_ptr<FindHandle> listing;
    std::ignore =
        AsAsked(where, [&](const std::wstring& path) { return device_->FindFirst(path, where.data, listing); });
  }
  if (!shownName.empty()) {
    if (!where.present) {
      // Listed as an empty file, which can still be deleted; it opens as nothing.
      where.unreachable = true;
      where.data = Unreachable(shownName);
    } else {
      where.data.name = shownName;
    }
  }
  if (where.link && where.namesFolder) {
    // Written as a folder, a link is found when it leads to one.
    where.found = Look(path, true).found;
  } else {
    // A path written as a folder does not find a file.
    where.found = where.present && (!where.namesFolder || where.folder);
  }
  return where;
}

FileStatus CopyOnWriteView::LookBelow(const std::wstring& path, HostFileSystem::Entry& entry,
                                      const std::wstring* askedFolder) const {
  if (const auto known = onTheWay_.find(path); known != onTheWay_.end()) {
    entry = known->second;
    return FileStatus::Ok;
  }
  // The device folder tells of twins the first time a look meets them. Of
  // what this look came across, those of this name are told by the path
  // asked; those of the folders on the way were told as each was looked at,
  // and the host follows a link's text as it stands, telling nothing.
  const std::size_t mark = relay_->Mark();
  const FileStatus status = device_->LookAt(path, entry);
  Retell(mark, ParentOf(path), askedFolder);
  if (status != FileStatus::Ok) return status;
  if (entry.kind == HostFileSystem::Entry::Kind::Folder || entry.kind == HostFileSystem::Entry::Kind::Link) {
    onTheWay_.emplace(path, entry);
  }
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::PrepareFile(const Found& where, std::wstring_view path, Found* followed) const {
  if (where.status != FileStatus::Ok) return where.status;
  if (where.base) return FileStatus::AccessDenied;
  if (!where.parentFound) return FileStatus::PathNotFound;
  if (where.namesFolder) return where.found ? FileStatus::AccessDenied : FileStatus::InvalidName;
  if (Shadowed(where)) return FileStatus::AccessDenied;
  // A link is replaced itself; what it leads to only decides whether that is allowed.
  Found target = where.link ? Look(path, true) : where;
  if (target.present && target.folder) return FileStatus::AccessDenied;
  if (followed != nullptr) *followed = std::move(target);
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

void CopyOnWriteView::ListFolder(const Found& folder, std::vector<FindData>& entries, std::wstring_view askedAs) const {
  // A folder made here holds only what was made in it since.
  if (folder.node == nullptr) {
    std::vector<std::size_t> links;
    const std::size_t mark = relay_->Mark();
    if (device_->ListFolder(folder.canonical.empty() ? L"\\" : folder.canonical, entries, &links, askedAs) !=
        FileStatus::Ok) {
      entries.clear();
      links.clear();
    }
    // The listing's own entries are told by the path asked, but not those
    // deleted here; the folders on the way to it were told as the folder was
    // looked for.
    DeviceNames listed;
    std::ignore = ParseDeviceNames(askedAs.empty() ? std::wstring_view(folder.canonical) : askedAs, listed);
    const std::wstring listedFolder = listed.IsRoot() ? std::wstring() : listed.Below(L"");
    for (HiddenEntry& hidden : relay_->TakeSince(mark)) {
      if (!InFolder(hidden.path, listedFolder)) continue;
      const auto node = nodes_.find(folder.key + L"\\" + FoldName(hidden.path.substr(listedFolder.size() + 1)));
      if (node == nodes_.end() || node->second.kind != Kind::Gone) relay_->Keep(std::move(hidden));
    }
    // What a link leads to may have changed here. Looked for by the path
    // asked, it counts the links on the way there, as the host's lookup does.
    const std::wstring base(askedAs.empty() ? std::wstring_view(folder.canonical) : askedAs);
    for (const std::size_t link : links) {
      const Found target = Look(base + (base.ends_with(L'\\') ? L"" : L"\\") + entries[link].name, true);
      if (target.status == FileStatus::Ok && (target.present || target.unreachable)) entries[link] = target.data;
    }
  }
  // Asked for through links, a folder's new entries are held to the path limit by the path asked.
  std::wstring asked;
  if (DeviceNames names; !askedAs.empty() && ParseDeviceNames(askedAs, names) == FileStatus::Ok) {
    asked = names.IsRoot() ? L"\\" : names.Below(L"");
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
      if (!asked.empty()) {
        if (const auto hidden = HiddenByItself(asked, ToUtf8(changed.name), folderNode, changed.size)) {
          device_->Tell(*hidden);
          continue;
        }
      }
      entries.push_back(std::move(changed));
    }
  }
  std::vector<FindData> kept;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i >= removed.size() || !removed[i]) kept.push_back(std::move(entries[i]));
  }
  // In the order the device folder lists in.
  std::sort(kept.begin(), kept.end(), [](const FindData& a, const FindData& b) { return a.name < b.name; });
  entries = std::move(kept);
}

FileStatus CopyOnWriteView::TestOpenForRead(std::wstring_view path) {
  const Locked guard(*this);
  const Found where = Look(path);
  if (where.status != FileStatus::Ok) return where.status;
  if (where.base) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  if (where.folder) return FileStatus::AccessDenied;
  if (where.node != nullptr) return FileStatus::Ok;
  return AsAsked(where, [&](const std::wstring& canonical) { return device_->TestOpenForRead(canonical); });
}

FileStatus CopyOnWriteView::FindFirst(std::wstring_view pattern, FindData& first,
                                      std::unique_ptr<FindHandle>& listing) {
  listing.reset();
  const Locked guard(*this);
  std::vector<FindData> entries;
  if (const std::optional<std::wstring_view> folder = ListedFolder(pattern)) {
    const Found where = Look(*folder);
    if (where.status != FileStatus::Ok) return where.status;
    if (!where.found || !where.folder) return FileStatus::PathNotFound;
    ListFolder(where, entries, *folder);
    if (entries.empty()) return FileStatus::NoMoreFiles;
  } else {
    const Found where = Look(pattern);
    if (where.status != FileStatus::Ok) return where.status;
    // A link that leads nowhere is still found, as an empty file.
    if (!where.found && !(where.unreachable && !where.namesFolder)) return where.Missing();
    entries.push_back(where.data);
  }
  first = std::move(entries.front());
  entries.erase(entries.begin());
  listing = std::make_unique<ReadListing>(std::move(entries));
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::CreateDirectory(std::wstring_view path) {
  const Locked guard(*this);
  const Found where = Look(path, false);
  if (where.status != FileStatus::Ok) return where.status;
  // Whatever is there already, a file too, keeps the name from being a folder.
  if (where.base || where.present) return FileStatus::AlreadyExists;
  if (!where.parentFound) return FileStatus::PathNotFound;
  if (Shadowed(where)) return FileStatus::AccessDenied;
  nodes_[where.key] = Node{Kind::Folder, where.written, {}};
  return FileStatus::Ok;
}

std::vector<std::wstring> CopyOnWriteView::NamesOnThePC(const std::wstring& folder) const {
  const HiddenRelay::Quiet quiet(*relay_);  // a look of the view's own
  std::vector<std::wstring> names;
  const std::optional<std::filesystem::path> host = device_->HostPathOf(folder.empty() ? L"\\" : folder);
  if (!host) return names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(*host, error), end; !error && it != end; it.increment(error)) {
    names.push_back(FromUtf8(it->path().filename().string()));
  }
  return names;
}

bool CopyOnWriteView::Shadowed(const Found& where) const {
  const auto node = nodes_.find(where.key);
  if (where.present || node == nodes_.end() || node->second.kind != Kind::Gone) return false;
  const std::wstring name = where.key.substr(where.key.rfind(L'\\') + 1);
  const std::vector<std::wstring> names = NamesOnThePC(ParentOf(where.canonical));
  return std::count_if(names.begin(), names.end(), [&](const std::wstring& other) { return FoldName(other) == name; }) >
         1;
}

bool CopyOnWriteView::HoldsHidden(const Found& folder) const {
  if (folder.node != nullptr) return false;  // made here: it holds only what the view made
  std::vector<FindData> seen;
  if (device_->ListFolder(folder.canonical, seen, nullptr) != FileStatus::Ok) return false;
  return NamesOnThePC(folder.canonical).size() > seen.size();
}

FileStatus CopyOnWriteView::RemoveDirectory(std::wstring_view path) {
  const Locked guard(*this);
  const Found where = Look(path, false);
  if (where.status != FileStatus::Ok) return where.status;
  if (where.mountPoint) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  // A link is no folder, whatever it leads to.
  if (!where.folder || where.link) return FileStatus::PathNotFound;
  // The host removes the folder without a look into it: nothing is told.
  bool empty = false;
  {
    const HiddenRelay::Quiet quiet(*relay_);
    std::vector<FindData> entries;
    ListFolder(where, entries);
    empty = entries.empty() && !HoldsHidden(where);
  }
  if (!empty) return FileStatus::DirectoryNotEmpty;
  nodes_[where.key] = Node{};
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::DeleteFile(std::wstring_view path) {
  const Locked guard(*this);
  const Found where = Look(path, false);
  if (where.status != FileStatus::Ok) return where.status;
  if (where.base) return FileStatus::AccessDenied;
  if (!where.found) return where.Missing();
  // A link goes itself, never what it leads to.
  if (where.folder && !where.link) return FileStatus::AccessDenied;
  nodes_[where.key] = Node{};
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  const Locked guard(*this);
  // A link is read as what it leads to.
  Found from = Look(source, true);
  if (from.status != FileStatus::Ok) return from.status;
  if (from.base) return FileStatus::AccessDenied;
  if (!from.found) return from.Missing();
  if (from.folder) return FileStatus::AccessDenied;
  // A file of the device folder must be readable to be copied at all.
  if (from.node == nullptr) {
    const FileStatus readable =
        AsAsked(from, [&](const std::wstring& canonical) { return device_->TestOpenForRead(canonical); });
    if (readable != FileStatus::Ok) return readable;
    from.found = true;
  }
  const Found to = Look(destination, false);
  Found target;
  if (const FileStatus status = PrepareFile(to, destination, &target); status != FileStatus::Ok) return status;
  if (to.found && failIfExists) return FileStatus::FileExists;
  // A file copied onto itself, by whatever path, stays as it is.
  if (target.present && target.key == from.key) return FileStatus::AccessDenied;
  PutFile(to, ContentOf(from));
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::MoveFile(std::wstring_view source, std::wstring_view destination) {
  const Locked guard(*this);
  const Found from = Look(source, false);
  if (from.status != FileStatus::Ok) return from.status;
  if (from.mountPoint) return FileStatus::AccessDenied;
  if (!from.found) return from.Missing();
  const Found to = Look(destination, false);
  if (to.status != FileStatus::Ok) return to.status;
  if (to.base) return FileStatus::AlreadyExists;
  if (!to.parentFound) return FileStatus::PathNotFound;
  if (Shadowed(to)) return FileStatus::AccessDenied;
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
  const Locked guard(*this);
  Found where;
  if (const FileStatus status = PrepareWrite(path, where); status != FileStatus::Ok) return status;
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
  const Locked guard(*this);
  Found where;
  if (const FileStatus status = PrepareWrite(path, where); status != FileStatus::Ok) return status;
  Content empty;
  empty.bytes = std::make_shared<const std::string>();
  PutFile(where, std::move(empty));
  stream = std::make_unique<ViewWriteStream>(*this, where.key);
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::PrepareWrite(std::wstring_view path, Found& target) const {
  const Found where = Look(path, false);
  if (const FileStatus status = PrepareFile(where, path, &target); status != FileStatus::Ok) return status;
  // Written through a link, the file it leads to takes the data.
  if (!target.parentFound) return FileStatus::PathNotFound;
  return FileStatus::Ok;
}

FileStatus CopyOnWriteView::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  const Locked guard(*this);
  const Found where = Look(path, false);
  if (const FileStatus status = PrepareFile(where, path); status != FileStatus::Ok) return status;
  Content content;
  content.bytes = std::make_shared<const std::string>(bytes);
  PutFile(where, std::move(content));
  return FileStatus::Ok;
}

void CopyOnWriteView::Append(const std::wstring& key, std::string_view bytes) {
  const Locked guard(*this);
  const auto node = nodes_.find(key);
  // Written after its file was deleted, as into an unlinked file: lost.
  if (node == nodes_.end() || node->second.kind != Kind::File) return;
  node->second.content.added += bytes;
}

FileStatus CopyOnWriteView::ReadFile(std::wstring_view path, std::string& bytes) {
  bytes.clear();
  Content content;
  {
    const Locked guard(*this);
    const Found where = Look(path);
    if (where.status != FileStatus::Ok) return where.status;
    if (where.base || where.folder) return FileStatus::AccessDenied;
    if (!where.found) return where.Missing();
    if (where.node == nullptr) {
      return AsAsked(where, [&](const std::wstring& canonical) { return device_->ReadFile(canonical, bytes); });
    }
    content = where.node->content;
  }
  if (content.Size() > kMaxReadFile) return FileStatus::FileTooLarge;
  if (content.bytes) {
    bytes = *content.bytes;
  } else {
    // The file the copy came from: its path is none the device asked for.
    const HiddenRelay::Quiet quiet(*relay_);
    if (const FileStatus status = device_->ReadFile(content.devicePath, bytes); status != FileStatus::Ok) return status;
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
  const Locked guard(*this);
  const Found where = Look(devicePath);
  if (where.status != FileStatus::Ok || !where.found) {
    errno = ENOENT;
    return UniqueFd();
  }
  if (where.node == nullptr) {
    return AsAsked(where, [&](const std::wstring& canonical) { return device_->OpenFd(canonical, openFlags); });
  }
  const Content& content = where.node->content;
  if (where.folder || content.bytes || !content.added.empty()) {
    errno = EACCES;
    return UniqueFd();
  }
  const HiddenRelay::Quiet quiet(*relay_);
  return device_->OpenFd(content.devicePath, openFlags);
}

std::optional<std::filesystem::path> CopyOnWriteView::HostPathOf(std::wstring_view devicePath) const {
  const Locked guard(*this);
  const Found where = Look(devicePath);
  if (where.status != FileStatus::Ok || !where.found) return std::nullopt;
  if (where.node == nullptr) {
    return AsAsked(where, [&](const std::wstring& canonical) { return device_->HostPathOf(canonical); });
  }
  return std::nullopt;
}

}  // namespace platform::host

namespace platform::host {

HeldPath CopyOnWriteView::Held(std::wstring_view devicePath) const {
  const Locked guard(*this);
  const Found where = Look(devicePath, false);
  if (where.status != FileStatus::Ok) return {};
  return {where.canonical, where.link};
}

}  // namespace platform::host
