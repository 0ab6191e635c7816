#include "update/copy_operation.h"

#include <memory>
#include <tuple>
#include <vector>

#include "app/init_ap.h"
#include "config/xml_access.h"
#include "display/screen_painting.h"
#include "display/update_log.h"
#include "platform/common/name_case.h"
#include "platform/common/path_limits.h"
#include "update/file_helpers.h"
#include "update/path_resolution.h"

namespace initap {

namespace {

// The names of a device path from the root down, folded and read as the
// file system reads them: either separator, "." dropped, ".." one step back.
std::vector<std::wstring> PathNames(std::wstring_view path) {
  std::vector<std::wstring> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && path[end] != L'\\' && path[end] != L'/') ++end;
    const std::wstring_view name = path.substr(start, end - start);
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != L".") {
      names.push_back(platform::FoldName(name));
    }
    start = end + 1;
  }
  return names;
}

// True when `path` is the folder `folder` or lies anywhere below it.
bool SameOrInside(std::wstring_view folder, std::wstring_view path) {
  const std::vector<std::wstring> outer = PathNames(folder);
  const std::vector<std::wstring> inner = PathNames(path);
  if (inner.size() < outer.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i) {
    if (outer[i] != inner[i]) return false;
  }
  return true;
}

}  // namespace

bool ExecuteCopy(Init_AP& app, const platform::XmlNode* element) {
  if (element == nullptr) return false;
  SetStatusText(app, kCountingCopiesText);

  std::wstring source;
  std::wstring destination;
  if (ReadAttribute(element, L"from", &app.resolvedPath, platform::kPathCapacity) == 0) return false;
  std::ignore = ResolvePath(app, app.resolvedPath, source, platform::kPathCapacity);
  if (ReadAttribute(element, L"to", &app.resolvedPath, platform::kPathCapacity) == 0) return false;
  std::ignore = ResolvePath(app, app.resolvedPath, destination, platform::kPathCapacity);

  // The counting pass; its values show with the first file's repaint.
  app.progressDone = 0;
  app.progressTotal = CountFiles(app, source);

  std::int32_t copied = 0;
  switch (ClassifyCopyPair(destination, source)) {
    case CopyKind::OneFile:
      if (CopyOneFile(app, source, destination)) copied = 1;
      break;
    case CopyKind::FolderTree:
      // A tree copied into itself would walk into its own copies.
      if (!SameOrInside(source, destination)) std::ignore = CopyFolder(app, source, destination, copied);
      break;
    case CopyKind::Rejected: break;
  }
  WriteLog(app, L"%d files has been copied.", copied);
  return true;
}

CopyKind ClassifyCopyPair(std::wstring& destination, std::wstring_view source) {
  if (destination.empty() || source.empty()) return CopyKind::Rejected;
  const bool toFolder = destination.back() == L'\\';
  const bool fromFolder = source.back() == L'\\';
  if (toFolder && fromFolder) return CopyKind::FolderTree;
  if (!toFolder && !fromFolder) return CopyKind::OneFile;
  if (fromFolder) return CopyKind::Rejected;  // a folder cannot go onto a file name

  // A file into a folder keeps its name.
  if (const std::size_t last = source.rfind(L'\\'); last != std::wstring_view::npos) {
    std::wstring joined;
    if (!JoinPath(destination, source.substr(last + 1), joined, platform::kPathCapacity)) return CopyKind::Rejected;
    destination = std::move(joined);
  }
  return CopyKind::OneFile;
}

bool CopyOneFile(Init_AP& app, std::wstring_view source, std::wstring_view destination) {
  if (const std::size_t last = destination.rfind(L'\\'); last != std::wstring_view::npos) {
    const std::wstring_view folder = destination.substr(0, last);
    if (!FolderExists(app, folder) && !CreateFolderChain(app, folder)) return false;
  }
  std::ignore = ExtractFileName(source, &app.resolvedPath, platform::kPathCapacity);
  app.progressDone += 1;
  SetStatusText(app, L"copy %s", app.resolvedPath);
  return app.platform.files.CopyFile(source, destination, false) == platform::FileStatus::Ok;
}

bool CopyFolder(Init_AP& app, std::wstring_view source, std::wstring_view destination, std::int32_t& copied) {
  if (source.empty() || destination.empty()) return false;
  if (source == destination) return true;
  if (!FolderExists(app, destination) && !CreateFolderChain(app, destination)) return false;

  std::wstring pattern;
  if (!JoinPath(source, L"*.*", pattern, platform::kPathCapacity)) return false;
  platform::FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  const platform::FileStatus started = app.platform.files.FindFirst(pattern, entry, listing);
  if (started != platform::FileStatus::Ok) return started == platform::FileStatus::NoMoreFiles;

  std::wstring sourceEntry;
  std::wstring destinationEntry;
  do {
    // A join that does not fit a path names no file of this tree: stop as at a failed file.
    if (!JoinPath(source, entry.name, sourceEntry, platform::kPathCapacity) ||
        !JoinPath(destination, entry.name, destinationEntry, platform::kPathCapacity)) {
      return false;
    }
    if ((entry.attributes & platform::kDirectoryAttribute) != 0) {
      if (!CopyFolder(app, sourceEntry, destinationEntry, copied)) return false;
    } else {
      if (!CopyOneFile(app, sourceEntry, destinationEntry)) return false;
      ++copied;
    }
  } while (listing->Next(entry) == platform::FileStatus::Ok);
  return true;
}

}  // namespace initap
