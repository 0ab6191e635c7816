#include "platform/host/report/expected_tree.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>

#include "platform/common/name_case.h"
#include "platform/host/files/host_files.h"
#include "platform/host/regular_file.h"
#include "platform/host/unique_fd.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::wstring name;
  bool folder = false;
  std::uint64_t size = 0;
  fs::path host;  // the tree's entries only
};
using Entries = std::map<std::wstring, Entry>;  // by folded name

Entries TreeEntries(const fs::path& folder) {
  Entries entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    const bool isFolder = it->is_directory(ignored);
    Entry entry{FromUtf8(it->path().filename().string()), isFolder, isFolder ? 0 : it->file_size(ignored), it->path()};
    entries.emplace(FoldName(entry.name), std::move(entry));
  }
  return entries;
}

Entries DeviceEntries(HostFiles& files, const std::wstring& folder) {
  Entries entries;
  FindData found;
  std::unique_ptr<FindHandle> listing;
  for (FileStatus status = files.FindFirst(folder + L"\\*.*", found, listing); status == FileStatus::Ok;
       status = listing->Next(found)) {
    const bool isFolder = (found.attributes & kDirectoryAttribute) != 0;
    entries.emplace(FoldName(found.name), Entry{found.name, isFolder, found.size, {}});
    if (!listing) break;
  }
  return entries;
}

// Fills `chunk` as far as the file goes; the bytes read, -1 on failure.
ssize_t ReadFull(int fd, std::array<char, 1 << 16>& chunk) {
  std::size_t done = 0;
  while (done < chunk.size()) {
    const ssize_t got = read(fd, chunk.data() + done, chunk.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// Whether the rest of the file behind `fd` is `bytes`.
bool Holds(int fd, std::string_view bytes) {
  std::array<char, 1 << 16> chunk;
  for (;;) {
    const ssize_t got = ReadFull(fd, chunk);
    if (got < 0 || static_cast<std::size_t>(got) > bytes.size()) return false;
    if (got == 0) return bytes.empty();
    if (bytes.substr(0, static_cast<std::size_t>(got)) != std::string_view(chunk.data(), got)) return false;
    bytes.remove_prefix(static_cast<std::size_t>(got));
  }
}

bool SameBytes(HostFiles& files, const std::wstring& device, const fs::path& host) {
  // A FIFO or device node in the wanted tree is no file to compare with, and must not block the run.
  const UniqueFd wanted = OpenRegularFile(host, O_RDONLY);
  const UniqueFd ours = files.OpenFd(device, O_RDONLY | O_CLOEXEC);
  if (!wanted) return false;
  if (!ours) {
    // A file a dry run wrote is held in memory, not behind a host file.
    std::string bytes;
    return files.ReadFile(device, bytes) == FileStatus::Ok && Holds(wanted.Get(), bytes);
  }
  std::array<char, 1 << 16> a, b;
  for (;;) {
    const ssize_t gotA = ReadFull(ours.Get(), a), gotB = ReadFull(wanted.Get(), b);
    if (gotA < 0 || gotA != gotB || !std::equal(a.begin(), a.begin() + gotA, b.begin())) return false;
    if (gotA == 0) return true;
  }
}

class Comparison {
 public:
  Comparison(HostFiles& files, const std::vector<std::wstring>& records) : files_(files) {
    for (const std::wstring& record : records) records_.push_back(FoldName(record));
  }

  // The folder `device` ("" for the root) against the tree's `tree`; at the
  // root only the volumes the tree holds count.
  void Folder(const std::wstring& device, const fs::path& tree) {
    Entries ours = DeviceEntries(files_, device);
    for (const auto& [folded, wanted] : TreeEntries(tree)) {
      const auto found = ours.find(folded);
      if (found == ours.end()) {
        Add(TreeDifference::Kind::Missing, device + L"\\" + wanted.name, wanted.folder);
        continue;
      }
      const Entry& held = found->second;
      const std::wstring path = device + L"\\" + held.name;
      if (held.name != wanted.name) {
        differences_.push_back({TreeDifference::Kind::LetterCase, ToUtf8(path + (held.folder ? L"\\" : L"")),
                                ToUtf8(device + L"\\" + wanted.name + (wanted.folder ? L"\\" : L""))});
      }
      if (held.folder != wanted.folder) {
        Add(TreeDifference::Kind::Differs, path, held.folder);
      } else if (held.folder) {
        Folder(path, wanted.host);
      } else if (held.size != wanted.size || !SameBytes(files_, path, wanted.host)) {
        Add(TreeDifference::Kind::Differs, path, false);
      }
      ours.erase(found);
    }
    if (device.empty()) return;
    for (const auto& [folded, held] : ours) {
      const std::wstring path = device + L"\\" + held.name;
      const bool record = std::find(records_.begin(), records_.end(), FoldName(path)) != records_.end();
      if (!record) Add(TreeDifference::Kind::Extra, path, held.folder);
    }
  }

  std::vector<TreeDifference> Take() { return std::move(differences_); }

 private:
  void Add(TreeDifference::Kind kind, const std::wstring& path, bool folder) {
    differences_.push_back({kind, ToUtf8(folder ? path + L"\\" : path), {}});
  }

  HostFiles& files_;
  std::vector<std::wstring> records_;
  std::vector<TreeDifference> differences_;
};

}  // namespace

std::vector<TreeDifference> CompareWithTree(HostFiles& files, const fs::path& tree,
                                            const std::vector<std::wstring>& records) {
  Comparison comparison(files, records);
  comparison.Folder(L"", tree);
  return comparison.Take();
}

std::string DescribeDifference(const TreeDifference& difference) {
  switch (difference.kind) {
    case TreeDifference::Kind::Missing:
      return difference.path + " is missing: the wanted tree holds it, the device does not.";
    case TreeDifference::Kind::Extra:
      return difference.path + " is extra: the device holds it, the wanted tree does not.";
    case TreeDifference::Kind::Differs: return difference.path + " differs from the wanted tree's.";
    case TreeDifference::Kind::LetterCase:
      return difference.path + " is spelt " + difference.wanted + " in the wanted tree.";
  }
  return {};
}

std::string_view DifferenceKindName(TreeDifference::Kind kind) {
  switch (kind) {
    case TreeDifference::Kind::Missing: return "missing";
    case TreeDifference::Kind::Extra: return "extra";
    case TreeDifference::Kind::Differs: return "differs";
    case TreeDifference::Kind::LetterCase: return "letter-case";
  }
  return {};
}

}  // namespace platform::host
