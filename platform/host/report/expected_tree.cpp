#include "platform/host/report/expected_tree.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

namespace fs = std::filesystem;

struct Listed {
  std::wstring name;
  bool folder = false;
};

// The entries of a device folder, by their folded names.
std::map<std::wstring, Listed> DeviceEntries(FileSystem& device, const std::wstring& folder) {
  std::map<std::wstring, Listed> entries;
  FindData entry;
  std::unique_ptr<FindHandle> listing;
  if (device.FindFirst(folder + L"\\*.*", entry, listing) != FileStatus::Ok) return entries;
  do {
    entries[FoldName(entry.name)] = {entry.name, (entry.attributes & kDirectoryAttribute) != 0};
  } while (listing->Next(entry) == FileStatus::Ok);
  return entries;
}

// The entries of a tree's folder, by their folded names.
std::map<std::wstring, Listed> TreeEntries(const fs::path& folder) {
  std::map<std::wstring, Listed> entries;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::wstring name = FromUtf8(entry.path().filename().string());
    entries[FoldName(name)] = {name, entry.is_directory(error)};
  }
  return entries;
}

std::string ReadTreeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Comparison {
 public:
  Comparison(FileSystem& device, const std::vector<std::string>& records) : device_(device) {
    for (const std::string& record : records) records_.push_back(FoldName(FromUtf8(record)));
  }

  void Folder(const std::wstring& devicePath, const fs::path& treePath) {
    const std::map<std::wstring, Listed> wanted = TreeEntries(treePath);
    const std::map<std::wstring, Listed> held = DeviceEntries(device_, devicePath);
    for (const auto& [folded, entry] : wanted) {
      const std::wstring wantedPath = devicePath + L"\\" + entry.name;
      const auto found = held.find(folded);
      if (found == held.end()) {
        Add("expected-missing", Shown(wantedPath) + " is in the wanted tree, but not on the device.");
        continue;
      }
      if (found->second.name != entry.name) {
        Add("expected-letter-case", Shown(devicePath + L"\\" + found->second.name) + " is named " + ToUtf8(entry.name) +
                                        " in the wanted tree.");
      }
      const std::wstring heldPath = devicePath + L"\\" + found->second.name;
      const fs::path treeEntry = treePath / fs::path(ToUtf8(entry.name));
      if (entry.folder != found->second.folder) {
        Add("expected-different", Shown(heldPath) + " is a " + (found->second.folder ? "folder" : "file") +
                                      " on the device, but a " + (entry.folder ? "folder" : "file") +
                                      " in the wanted tree.");
      } else if (entry.folder) {
        Folder(heldPath, treeEntry);
      } else if (std::string bytes;
                 device_.ReadFile(heldPath, bytes) != FileStatus::Ok || bytes != ReadTreeFile(treeEntry)) {
        Add("expected-different", Shown(heldPath) + " differs from the wanted tree's file.");
      }
    }
    for (const auto& [folded, entry] : held) {
      if (wanted.contains(folded)) continue;
      const std::wstring heldPath = devicePath + L"\\" + entry.name;
      if (IsRecord(heldPath)) continue;
      Add("expected-extra",
          Shown(heldPath) + (entry.folder ? "\\" : "") + " is on the device, but not in the wanted tree.");
    }
  }

  std::vector<Warning> Found() { return std::move(found_); }

 private:
  bool IsRecord(const std::wstring& path) const {
    return std::find(records_.begin(), records_.end(), FoldName(path)) != records_.end();
  }
  static std::string Shown(const std::wstring& path) { return ToUtf8(path); }
  void Add(std::string id, std::string text) {
    found_.push_back(Warning{{}, 0, std::move(text), std::move(id), Severity::Error});
  }

  FileSystem& device_;
  std::vector<std::wstring> records_;
  std::vector<Warning> found_;
};

}  // namespace

std::vector<Warning> CompareWithTree(FileSystem& device, const std::filesystem::path& tree,
                                     const std::vector<std::string>& records) {
  Comparison comparison(device, records);
  const std::map<std::wstring, Listed> volumes = TreeEntries(tree);
  for (const std::wstring_view volume : kDeviceVolumes) {
    const auto found = volumes.find(FoldName(volume));
    if (found == volumes.end() || !found->second.folder) continue;
    comparison.Folder(L"\\" + std::wstring(volume), tree / fs::path(ToUtf8(found->second.name)));
  }
  return comparison.Found();
}

}  // namespace platform::host
