#include "tools/card/card_plan.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <optional>

#include "platform/common/boot_records.h"
#include "platform/common/device_names.h"
#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"
#include "platform/host/files/device_entry.h"
#include "platform/host/utf8.h"

namespace initap::card {

namespace {

namespace fs = std::filesystem;
using platform::host::FromUtf8;
using platform::host::ToUtf8;

// Where the card's own folder lies on the device, for the length of the paths it names.
constexpr std::wstring_view kCardRoot = L"\\sd card\\";

struct Entry {
  std::string name;  // UTF-8, as the host spells it
  fs::path path;
  bool folder = false;
};

std::wstring Folded(const std::string& name) { return platform::FoldName(FromUtf8(name)); }

// The entries of a folder in name order; none for a missing folder.
std::vector<Entry> Entries(const fs::path& folder) {
  std::vector<Entry> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    entries.push_back({it->path().filename().string(), it->path(), it->is_directory(error)});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (fs::file_size(a, error) != fs::file_size(b, error) || error) return false;
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  // Read in chunks small enough to stay on the stack: a card compares thousands of small files.
  std::array<char, 1 << 16> x, y;
  while (first && second) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount() || !std::equal(x.begin(), x.begin() + first.gcount(), y.begin())) {
      return false;
    }
  }
  return first.eof() && second.eof();
}

std::wstring DevicePath(const std::string& path, bool folder) {
  std::wstring device = L"\\" + FromUtf8(path);
  std::replace(device.begin(), device.end(), L'/', L'\\');
  return folder ? device + L"\\" : device;
}

// A file the boot writes whatever the card says: a card that deleted it would
// see it written again.
bool IsBootRecord(const std::string& path, const Entry& entry) {
  const std::wstring device = platform::FoldName(DevicePath(path + "/" + entry.name, entry.folder));
  return std::any_of(platform::kBootRecords.begin(), platform::kBootRecords.end(),
                     [&](std::wstring_view record) { return platform::FoldName(record) == device; });
}

// One comparison of the wanted tree with the device.
class Planner {
 public:
  Planner(CardPlan& plan, std::string& error) : plan_(plan), error_(error) {}

  // What was found below a folder of the wanted tree.
  struct Found {
    bool unchanged = false;  // a file below stays as it is on the device
    bool files = false;      // the folder holds a file
    std::vector<CardStep> copies;
  };

  // Compares the wanted folder `want` with `device` (absent: the device has
  // no such folder), both at `path` below the root.
  bool Compare(const std::string& path, const fs::path& want, const std::optional<fs::path>& device, Found& found) {
    std::vector<Entry> wanted = Entries(want);
    if (!NoCaseTwins(want, wanted)) return false;
    std::map<std::wstring, Entry> onDevice;
    if (device) {
      for (Entry& entry : Entries(*device)) {
        // A name the device cannot hold is not there for it.
        if (platform::host::HoldsDeviceName(entry.name) &&
            platform::ParseDeviceNames(DevicePath(path + "/" + entry.name, entry.folder), ignored_) ==
                platform::FileStatus::Ok) {
          onDevice.emplace(Folded(entry.name), std::move(entry));
        }
      }
    }
    for (const Entry& entry : wanted) {
      const std::string child = path + "/" + entry.name;
      if (!Fits(entry, child)) return false;
      const auto match = onDevice.find(Folded(entry.name));
      const Entry* existing = match != onDevice.end() ? &match->second : nullptr;
      const bool sameName = existing != nullptr && existing->name == entry.name && existing->folder == entry.folder;
      if (existing != nullptr && !sameName) Delete(path, *existing);
      if (entry.folder) {
        Found below;
        if (sameName) {
          if (!Compare(child, entry.path, existing->path, below)) return false;
          // Every file new or changed: the whole folder in one step.
          if (below.files && !below.unchanged) below.copies = {{CardStep::Kind::CopyFolder, child, entry.path}};
        } else {
          if (!CheckNew(child, entry.path, below)) return false;
          below.copies = {{CardStep::Kind::CopyFolder, child, entry.path}};
        }
        found.unchanged = found.unchanged || below.unchanged;
        found.files = found.files || below.files;
        found.copies.insert(found.copies.end(), below.copies.begin(), below.copies.end());
      } else {
        found.files = true;
        if (sameName && SameBytes(entry.path, existing->path)) {
          found.unchanged = true;
        } else {
          found.copies.push_back({CardStep::Kind::CopyFile, child, entry.path});
        }
      }
      if (match != onDevice.end()) onDevice.erase(match);
    }
    for (const auto& [folded, entry] : onDevice) {
      if (!IsBootRecord(path, entry)) Delete(path, entry);
    }
    return true;
  }

  // Checks a folder that is copied whole: every name and path below it.
  bool CheckNew(const std::string& path, const fs::path& want, Found& found) {
    std::vector<Entry> wanted = Entries(want);
    if (!NoCaseTwins(want, wanted)) return false;
    for (const Entry& entry : wanted) {
      const std::string child = path + "/" + entry.name;
      if (!Fits(entry, child)) return false;
      if (entry.folder) {
        if (!CheckNew(child, entry.path, found)) return false;
      } else {
        found.files = true;
      }
    }
    return true;
  }

 private:
  void Delete(const std::string& path, const Entry& entry) {
    plan_.deletes.push_back(
        {entry.folder ? CardStep::Kind::DeleteFolder : CardStep::Kind::DeleteFile, path + "/" + entry.name, {}});
  }

  std::string Shown(const fs::path& host) const { return host.string(); }

  bool NoCaseTwins(const fs::path& folder, const std::vector<Entry>& entries) {
    std::map<std::wstring, const Entry*> seen;
    for (const Entry& entry : entries) {
      const auto [known, fresh] = seen.emplace(Folded(entry.name), &entry);
      if (fresh) continue;
      error_ = Shown(known->second->path) + " and " + entry.name + " in " + Shown(folder) +
               " differ only in letter case, which no folder of the device can hold";
      return false;
    }
    return true;
  }

  // The entry's name and its paths on the device and on the card fit the device.
  bool Fits(const Entry& entry, const std::string& path) {
    const std::wstring onDevice = DevicePath(path, entry.folder);
    if (!platform::host::HoldsDeviceName(entry.name)) {
      error_ = Shown(entry.path) + ": \"" + entry.name + "\" is a name no volume of the device can hold";
      return false;
    }
    std::error_code sizeError;
    if (!entry.folder && fs::file_size(entry.path, sizeError) > platform::kLargestFile && !sizeError) {
      error_ = Shown(entry.path) + " is 4 GiB or more, larger than a file of the device's volumes";
      return false;
    }
    for (const std::wstring& named :
         {onDevice, std::wstring(kCardRoot) + FromUtf8(std::string(kCardFiles)) + onDevice}) {
      if (platform::WideUnits(named) > platform::kLongestPath) {
        error_ = Shown(entry.path) + ": the device would name it " + ToUtf8(named) + ", " +
                 std::to_string(platform::WideUnits(named)) + " units long, longer than the " +
                 std::to_string(platform::kLongestPath) + " a device path can be";
        return false;
      }
    }
    return true;
  }

  CardPlan& plan_;
  std::string& error_;
  platform::DeviceNames ignored_;
};

// The device's own spelling of the volume `name` names; none for no volume.
std::optional<std::string> VolumeNamed(const std::string& name) {
  for (const std::wstring_view volume : platform::kDeviceVolumes) {
    if (platform::FoldName(volume) == Folded(name)) return ToUtf8(volume);
  }
  return std::nullopt;
}

bool ByPath(const CardStep& a, const CardStep& b) { return a.path < b.path; }

}  // namespace

bool PlanCard(const fs::path& deviceRoot, const fs::path& wanted, CardPlan& plan, std::string& error) {
  plan = {};
  Planner planner(plan, error);
  const std::vector<Entry> volumesOnDevice = Entries(deviceRoot);
  for (const Entry& entry : Entries(wanted)) {
    if (!entry.folder) {
      error = entry.path.string() +
              " lies directly in the wanted tree, outside every volume, where the device keeps "
              "no file";
      return false;
    }
    const std::optional<std::string> volume = VolumeNamed(entry.name);
    if (!volume) {
      std::string volumes;
      for (const std::wstring_view name : platform::kDeviceVolumes) {
        volumes += (volumes.empty() ? "\\" : ", \\") + ToUtf8(name);
      }
      error = entry.path.string() + " is no volume of the device (its volumes are " + volumes + ")";
      return false;
    }
    if (platform::FoldName(FromUtf8(*volume)) == platform::FoldName(platform::kDeviceVolumes[0])) {
      error = entry.path.string() + " is the SD card itself, which the card cannot change";
      return false;
    }
    std::optional<fs::path> device;
    for (const Entry& existing : volumesOnDevice) {
      if (existing.folder && Folded(existing.name) == Folded(*volume)) device = existing.path;
    }
    Planner::Found found;
    if (!planner.Compare(*volume, entry.path, device, found)) return false;
    plan.copies.insert(plan.copies.end(), found.copies.begin(), found.copies.end());
  }
  std::sort(plan.deletes.begin(), plan.deletes.end(), ByPath);
  std::sort(plan.copies.begin(), plan.copies.end(), ByPath);
  return true;
}

}  // namespace initap::card
