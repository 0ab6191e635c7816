#include "platform/host/report/step_checks.h"

#include <algorithm>
#include <cwctype>
#include <tuple>

#include "platform/common/device_names.h"
#include "platform/common/device_volumes.h"
#include "platform/common/name_case.h"
#include "platform/common/path_limits.h"
#include "platform/common/update_log_path.h"
#include "platform/common/wide_units.h"
#include "platform/host/report/path_text.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

bool IsNotFound(FileStatus status) { return status == FileStatus::FileNotFound || status == FileStatus::PathNotFound; }

bool EndsWithSeparator(std::wstring_view text) {
  return !text.empty() && (text.back() == L'\\' || text.back() == L'/');
}

std::wstring Backslashed(std::wstring_view text) {
  std::wstring out(text);
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return out;
}

std::string Attribute(const std::string& name, std::wstring_view value) { return name + "=\"" + ToUtf8(value) + "\""; }

// The paths of a call that a step's texts may have become part of.
std::vector<std::wstring_view> PathsOf(const FileCall& call) {
  std::vector<std::wstring_view> paths{call.path};
  if (!call.second.empty()) paths.push_back(call.second);
  return paths;
}

// True when some path the system gave kept the text's separators as backslashes.
bool UsedWithBackslashes(const std::vector<FileCall>& calls, std::wstring_view text) {
  const std::wstring part = platform::FoldName(Backslashed(text));
  for (const FileCall& call : calls) {
    for (std::wstring_view path : PathsOf(call)) {
      if (platform::FoldName(path).find(part) != std::wstring::npos) return true;
    }
  }
  return false;
}

std::size_t Components(std::wstring_view path) {
  const std::wstring normal = Normalized(path);
  std::size_t count = 0;
  for (std::size_t i = 0; i < normal.size(); ++i) {
    if (normal[i] != L'\\' && (i == 0 || normal[i - 1] == L'\\')) ++count;
  }
  return count;
}

bool HasDriveLetter(std::wstring_view text) {
  return text.size() >= 2 && std::iswalpha(static_cast<wint_t>(text[0])) && text[1] == L':';
}

Warning Error(std::string id, std::string text) { return {{}, 0, std::move(text), std::move(id), Severity::Error}; }

void PathTextWarnings(const StepRecord& step, const std::string& name, std::wstring_view value,
                      std::vector<Warning>& out) {
  if (value.empty()) return;
  const std::wstring landed = Landed(step.calls, value);
  const std::string where = landed.empty() ? "" : ": it names " + Shown(landed);
  if (value.front() == L'/') {
    out.push_back(Error("slash-is-relative", Attribute(name, value) +
                                                 " begins with \"/\", which does not make a path absolute, so it "
                                                 "is taken relative to the description's folder" +
                                                 where + "."));
  } else if (HasDriveLetter(value)) {
    out.push_back(Error("drive-letter", Attribute(name, value) +
                                            " has a drive letter, which the device does not know, so it is taken "
                                            "as a relative path" +
                                            where + "."));
  }
  if (value.back() == L'/' && !UsedWithBackslashes(step.calls, value)) {
    out.push_back(Error("slash-is-no-folder", Attribute(name, value) +
                                                  " ends with \"/\", which does not mark a folder here: the device "
                                                  "takes it as a file name."));
  }
}

std::wstring ValueOf(const StepRecord& step, std::string_view name) {
  for (const auto& [attribute, value] : step.values) {
    if (attribute == name) return value;
  }
  return {};
}

// True when the step copied a file or made a folder.
bool Copied(const StepRecord& step) {
  return std::any_of(step.calls.begin(), step.calls.end(), [](const FileCall& call) {
    return (call.kind == FileCallKind::Copy || call.kind == FileCallKind::CreateFolder) &&
           call.status == FileStatus::Ok;
  });
}

void CopyWarnings(const StepRecord& step, std::vector<Warning>& out) {
  const std::wstring from = ValueOf(step, "from");
  const std::wstring to = ValueOf(step, "to");
  if (from.empty() || to.empty()) return;
  const auto firstFind = std::find_if(step.calls.begin(), step.calls.end(),
                                      [](const FileCall& call) { return call.kind == FileCallKind::Find; });
  if (firstFind != step.calls.end() && IsNotFound(firstFind->status)) {
    out.push_back(
        Error("missing-source", "the source " + Shown(firstFind->path) + " does not exist, so nothing is copied."));
    return;
  }
  if (!Copied(step) && EndsWithSeparator(from)) {
    if (to.back() != L'\\') {
      out.push_back(Error("folder-onto-file",
                          "a folder cannot be copied onto a file name (to= does not end with \"\\\"), so nothing "
                          "is copied."));
      return;
    }
    const std::wstring source = firstFind != step.calls.end() ? firstFind->path : from;
    if (to.front() == L'\\' && Normalized(to).starts_with(Normalized(source))) {
      out.push_back(Error("copy-into-itself", "the destination lies inside the source folder, so nothing is copied."));
    }
  }
  // The device leaves a file copied onto itself as it is, by whatever spelling of its path.
  const auto self = std::find_if(step.calls.begin(), step.calls.end(), [](const FileCall& call) {
    return call.kind == FileCallKind::Copy && call.status == FileStatus::AccessDenied &&
           platform::ComparableDevicePath(call.path) == platform::ComparableDevicePath(call.second);
  });
  if (self != step.calls.end()) {
    out.push_back(Error("step-does-nothing", "nothing is copied: the file would be copied onto itself."));
    return;
  }
  if (!Copied(step) && to.front() == L'\\' && Components(to) == 1) {
    out.push_back(Error("outside-volumes", Attribute("to", to) +
                                               " lies directly in the root folder, outside every volume, where the "
                                               "device copies nothing."));
  }
}

bool IsChange(const FileCall& call) {
  return call.kind == FileCallKind::Copy || call.kind == FileCallKind::Delete ||
         call.kind == FileCallKind::RemoveFolder;
}

bool IsVolume(std::wstring_view name) {
  return std::any_of(std::begin(kDeviceVolumes), std::end(kDeviceVolumes),
                     [&](std::wstring_view volume) { return FoldName(volume) == FoldName(name); });
}

std::string VolumeList() {
  std::string out;
  for (std::size_t i = 0; i < std::size(kDeviceVolumes); ++i) {
    out += i == 0 ? "" : i + 1 == std::size(kDeviceVolumes) ? " and " : ", ";
    out += "\\" + ToUtf8(kDeviceVolumes[i]);
  }
  return out;
}

// The volume that holds the update log.
std::wstring LogVolume() {
  DeviceNames names;
  std::ignore = ParseDeviceNames(kUpdateLogPath, names);
  return names.names.empty() ? std::wstring() : FoldName(names.names.front());
}

// A text that names something other than a file: a "\\" prefix or a device such as "COM1:".
bool NamesNoFile(std::wstring_view value) {
  if (value.size() >= 2 && (value[0] == L'\\' || value[0] == L'/') && (value[1] == L'\\' || value[1] == L'/')) {
    return true;
  }
  const std::wstring normal = Normalized(value);
  for (std::size_t end = normal.find(L':'); end != std::wstring::npos; end = normal.find(L':', end + 1)) {
    // A drive letter is told of on its own.
    if (!(end == 1 && HasDriveLetter(value))) return true;
  }
  return false;
}

// Steps that name the root, a whole volume, or a volume the device does not have.
void VolumeWarnings(const StepRecord& step, std::vector<Warning>& out) {
  const bool deletes = FoldName(FromUtf8(step.name)) == L"DELETE";
  for (const auto& [name, value] : step.values) {
    if (value.empty()) continue;
    if (NamesNoFile(value)) {
      out.push_back(Error("not-a-file-path", Attribute(name, value) +
                                                 " names a device or a raw path, not a file the device keeps, so "
                                                 "the step does nothing."));
      continue;
    }
    const std::wstring landed = Landed(step.calls, value);
    const std::wstring path = landed.empty() ? std::wstring(value) : landed;
    DeviceNames names;
    if (path.front() != L'\\' || ParseDeviceNames(path, names) != FileStatus::Ok) continue;
    if (deletes && names.IsRoot()) {
      out.push_back(Error("deletes-volume", Attribute(name, value) + " deletes every volume of the device (" +
                                                VolumeList() + ") with all they hold."));
    } else if (deletes && names.names.size() == 1 && names.namesFolder && IsVolume(names.names.front())) {
      const bool log = FoldName(names.names.front()) == LogVolume();
      out.push_back(Error("deletes-volume", Attribute(name, value) + " deletes the whole volume \\" +
                                                ToUtf8(names.names.front()) + " with all it holds" +
                                                (log ? ", the update log with it." : ".")));
    } else if (!names.IsRoot() && !IsVolume(names.names.front()) && (names.names.size() > 1 || names.namesFolder)) {
      out.push_back(Error("unknown-volume", Attribute(name, value) + " lies in \\" + ToUtf8(names.names.front()) +
                                                ", which is no volume of the device (those are " + VolumeList() +
                                                "), so the step works on a folder of that name in the root."));
    }
  }
}

bool IsFolderAfter(const StepRecord& step, std::wstring_view path) {
  return std::any_of(step.folders.begin(), step.folders.end(),
                     [&](const std::wstring& folder) { return Normalized(folder) == Normalized(path); });
}

bool EndsWithSpace(std::wstring_view text) { return !text.empty() && std::iswspace(static_cast<wint_t>(text.back())); }

std::string Quoted(std::wstring_view path) { return "\"" + Shown(path) + "\""; }

// Why a name in `path` cannot stand on the device's volumes; empty when each can.
std::string BadName(std::wstring_view path) {
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find_first_of(L"\\/", start), path.size());
    const std::wstring_view name = path.substr(start, end - start);
    start = end + 1;
    if (name == L"." || name == L"..") continue;
    switch (FaultOfName(name)) {
      case NameFault::None: break;
      case NameFault::Character: return "its name holds a character the device's names cannot";
      case NameFault::TrailingDotOrSpace:
        return EndsWithSpace(name) ? "its name ends with a space" : "its name ends with a dot";
      case NameFault::TooLong: return "a name in it is longer than 255 characters";
    }
  }
  return {};
}

// Why the call failed, as the card maker can mend it.
std::string WhyFailed(const StepRecord& step, const FileCall& call) {
  const std::wstring& target = call.kind == FileCallKind::Copy ? call.second : call.path;
  for (std::wstring_view path : PathsOf(call)) {
    if (WideUnits(path) > kLongestPath) {
      return Shown(path) + " is " + std::to_string(WideUnits(path)) +
             " characters long, longer than a device path can be";
    }
  }
  if (call.kind == FileCallKind::Copy && Normalized(call.path) == Normalized(call.second)) {
    return "the file would be copied onto itself";
  }
  if (call.kind == FileCallKind::Copy && IsFolderAfter(step, call.path)) {
    return Shown(call.path) + " is a folder, and a folder's path ends with \"\\\"";
  }
  if (IsFolderAfter(step, target)) {
    return Shown(target) + " is a folder" +
           (call.kind == FileCallKind::Copy ? ": to copy into it, end to= with \"\\\""
                                            : ", and a folder's path ends with \"\\\"");
  }
  if (IsNotFound(call.status)) {
    return Quoted(call.path) + " does not exist" + (EndsWithSpace(call.path) ? " (its name ends with a space)" : "");
  }
  if (call.status == FileStatus::AccessDenied) return Shown(call.path) + " cannot be read or written there";
  if (call.status == FileStatus::DiskFull) return Shown(target) + " does not fit in the room left on its volume";
  if (call.status == FileStatus::InvalidName) {
    for (std::wstring_view path : PathsOf(call)) {
      if (const std::string why = BadName(path); !why.empty()) {
        return Quoted(path) + " is no name the device can hold (" + why + ")";
      }
    }
  }
  return "the device refused " + Shown(call.path) + " (error " +
         std::to_string(static_cast<std::uint32_t>(call.status)) + ")";
}

// Why a folder copy stopped without a failed call: a joined path passed the limit.
std::string WhyStopped(const StepRecord& step) {
  std::size_t longest = 0;
  for (const auto& [name, value] : step.values) {
    const std::wstring landed = Landed(step.calls, value);
    longest = std::max(longest, WideUnits(landed.empty() ? value : landed) + step.longestBelow);
  }
  if (longest > kLongestPath) {
    return "joined with the names in the source folder, a path becomes " + std::to_string(longest) +
           " characters long, longer than a device path can be, and the device stops there";
  }
  return "the device stopped before the rest";
}

// A copy or delete that changed nothing, or stopped before its end.
void OutcomeWarnings(const StepRecord& step, std::vector<Warning>& out) {
  const bool deletes = FoldName(FromUtf8(step.name)) == L"DELETE";
  std::size_t done = 0;
  const FileCall* failed = nullptr;
  for (const FileCall& call : step.calls) {
    if (!IsChange(call) && call.kind != FileCallKind::CreateFolder) continue;
    if (call.status != FileStatus::Ok) {
      if (failed == nullptr) failed = &call;
    } else if (call.kind != FileCallKind::CreateFolder) {
      ++done;
    }
  }
  const std::string verb = deletes ? "deleted" : "copied";
  if (done == 0 && failed != nullptr) {
    out.push_back(Error("step-does-nothing", "nothing is " + verb + ": " + WhyFailed(step, *failed) + "."));
    return;
  }
  if (done == 0 && deletes) {
    const std::wstring path = Landed(step.calls, ValueOf(step, "path"));
    out.push_back(
        Error("step-does-nothing",
              "nothing is deleted: " + Quoted(path.empty() ? ValueOf(step, "path") : path) + " does not exist."));
    return;
  }
  const std::uint64_t whole = step.sourceFiles.value_or(done);
  if (done == 0 && whole > 0) {
    out.push_back(Error("step-does-nothing", "nothing is copied: " + WhyStopped(step) + "."));
    return;
  }
  if (done > 0 && (failed != nullptr || whole > done)) {
    const std::string why = failed != nullptr ? WhyFailed(step, *failed) : WhyStopped(step);
    out.push_back(Error("step-partial", "the step " + verb + " " + std::to_string(done) + " of " +
                                            std::to_string(std::max<std::uint64_t>(whole, done + 1)) +
                                            " files: " + why + "."));
  }
}

}  // namespace

std::vector<std::wstring> FailedPaths(const StepRecord& step) {
  std::vector<std::wstring> paths;
  for (const FileCall& call : step.calls) {
    if (call.status == FileStatus::Ok || call.kind == FileCallKind::Test || call.kind == FileCallKind::Find) continue;
    for (std::wstring_view path : PathsOf(call)) paths.emplace_back(path);
  }
  return paths;
}

std::wstring Landed(const std::vector<FileCall>& calls, std::wstring_view text) {
  const std::wstring part = Normalized(text);
  if (part.empty()) return {};
  for (const FileCall& call : calls) {
    for (std::wstring_view path : PathsOf(call)) {
      const std::wstring normal = Normalized(path);
      // Only where a name starts: "d\" is not the end of "\sd card\".
      std::size_t at = normal.find(part);
      while (at != std::wstring::npos && at != 0 && part.front() != L'\\' && normal[at - 1] != L'\\') {
        at = normal.find(part, at + 1);
      }
      if (at != std::wstring::npos) {
        // Normalizing keeps the length of a path with single separators.
        const std::wstring shown = FromUtf8(Shown(path));
        return shown.substr(0, std::min(shown.size(), at + part.size()));
      }
    }
  }
  return {};
}

std::vector<Warning> StepWarnings(const StepRecord& step) {
  std::vector<Warning> out;
  // A missing attribute is told where the document's reads are weighed.
  if (step.attributeMissing) return out;
  for (const auto& [name, value] : step.values) PathTextWarnings(step, name, value, out);
  VolumeWarnings(step, out);
  if (step.calls.empty()) {
    for (const auto& [name, value] : step.values) {
      if (platform::WideUnits(value) >= kPathCapacity) {
        out.push_back(Error("path-too-long", name + "= is " + std::to_string(platform::WideUnits(value)) +
                                                 " characters long, longer than a device path can be, so the step "
                                                 "does nothing."));
        return out;
      }
    }
    for (const auto& [name, value] : step.values) {
      if (value.empty()) {
        out.push_back(Error("empty-attribute", name + "= is empty, so the device skips this step."));
        return out;
      }
    }
    if (!step.values.empty() && out.empty()) {
      out.push_back(Error("path-too-long",
                          "the step does nothing: once resolved, a path of it is longer than a device path can be."));
    }
    return out;
  }
  if (platform::FoldName(FromUtf8(step.name)) == L"COPY") CopyWarnings(step, out);
  if (out.empty()) OutcomeWarnings(step, out);
  return out;
}

}  // namespace platform::host
