#include "platform/host/report/step_checks.h"

#include <algorithm>
#include <cwctype>

#include "platform/common/device_names.h"
#include "platform/common/name_case.h"
#include "platform/common/path_limits.h"
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

// Where a text ended up: the first path given to the file system that holds
// it, up to its end; empty when none does.
std::wstring Landed(const std::vector<FileCall>& calls, std::wstring_view text) {
  const std::wstring part = Normalized(text);
  for (const FileCall& call : calls) {
    for (std::wstring_view path : PathsOf(call)) {
      const std::wstring normal = Normalized(path);
      if (const std::size_t at = normal.find(part); at != std::wstring::npos) {
        // Normalizing keeps the length of a path with single separators.
        const std::wstring shown = FromUtf8(Shown(path));
        return shown.substr(0, std::min(shown.size(), at + part.size()));
      }
    }
  }
  return {};
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

void PathTextWarnings(const StepRecord& step, const std::string& name, std::wstring_view value,
                      std::vector<std::string>& out) {
  if (value.empty()) return;
  const std::wstring landed = Landed(step.calls, value);
  const std::string where = landed.empty() ? "" : ": it names " + Shown(landed);
  if (value.front() == L'/') {
    out.push_back(Attribute(name, value) +
                  " begins with \"/\", which does not make a path absolute, so it is taken "
                  "relative to the description's folder" +
                  where + ".");
  } else if (HasDriveLetter(value)) {
    out.push_back(Attribute(name, value) +
                  " has a drive letter, which the device does not know, so it is taken "
                  "as a relative path" +
                  where + ".");
  }
  if (value.back() == L'/' && !UsedWithBackslashes(step.calls, value)) {
    out.push_back(Attribute(name, value) +
                  " ends with \"/\", which does not mark a folder here: the device takes "
                  "it as a file name.");
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

void CopyWarnings(const StepRecord& step, std::vector<std::string>& out) {
  const std::wstring from = ValueOf(step, "from");
  const std::wstring to = ValueOf(step, "to");
  if (from.empty() || to.empty()) return;
  const auto firstFind = std::find_if(step.calls.begin(), step.calls.end(),
                                      [](const FileCall& call) { return call.kind == FileCallKind::Find; });
  if (firstFind != step.calls.end() && IsNotFound(firstFind->status)) {
    out.push_back("the source " + Shown(firstFind->path) + " does not exist, so nothing is copied.");
    return;
  }
  if (!Copied(step) && EndsWithSeparator(from)) {
    if (to.back() != L'\\') {
      out.push_back(
          "a folder cannot be copied onto a file name (to= does not end with \"\\\"), so nothing is "
          "copied.");
      return;
    }
    const std::wstring source = firstFind != step.calls.end() ? firstFind->path : from;
    if (to.front() == L'\\' && Normalized(to).starts_with(Normalized(source))) {
      out.push_back("the destination lies inside the source folder, so nothing is copied.");
    }
  }
  // The device leaves a file copied onto itself as it is, by whatever spelling of its path.
  const auto self = std::find_if(step.calls.begin(), step.calls.end(), [](const FileCall& call) {
    return call.kind == FileCallKind::Copy && call.status == FileStatus::AccessDenied &&
           platform::ComparableDevicePath(call.path) == platform::ComparableDevicePath(call.second);
  });
  if (self != step.calls.end()) {
    out.push_back("the destination " + Shown(self->second) + " is the source itself, so nothing is copied.");
    return;
  }
  if (!Copied(step) && to.front() == L'\\' && Components(to) == 1) {
    out.push_back(Attribute("to", to) +
                  " lies directly in the root folder, outside every volume, where the device "
                  "copies nothing.");
  }
}

}  // namespace

std::vector<std::string> StepWarnings(const StepRecord& step) {
  std::vector<std::string> out;
  // A missing attribute is told where the document's reads are weighed.
  if (step.attributeMissing) return out;
  for (const auto& [name, value] : step.values) PathTextWarnings(step, name, value, out);
  if (step.calls.empty()) {
    for (const auto& [name, value] : step.values) {
      if (platform::WideUnits(value) >= kPathCapacity) {
        out.push_back(name + "= is " + std::to_string(platform::WideUnits(value)) +
                      " characters long, longer than a device path can be, so the step does nothing.");
        return out;
      }
    }
    for (const auto& [name, value] : step.values) {
      if (value.empty()) {
        out.push_back(name + "= is empty, so the device skips this step.");
        return out;
      }
    }
    if (!step.values.empty()) {
      out.push_back("the step does nothing: once resolved, a path of it is longer than a device path can be.");
    }
    return out;
  }
  if (platform::FoldName(FromUtf8(step.name)) == L"COPY") CopyWarnings(step, out);
  return out;
}

}  // namespace platform::host
