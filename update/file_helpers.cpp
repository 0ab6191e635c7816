#include "update/file_helpers.h"

#include <memory>

#include "app/init_ap.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"

namespace initap {

bool FileExists(Init_AP& app, std::wstring_view path) {
  if (path.empty()) return false;
  return app.platform.files.TestOpenForRead(path) == platform::FileStatus::Ok;
}

bool FolderExists(Init_AP& app, std::wstring_view path) {
  if (path.empty()) return false;
  platform::FindData found;
  std::unique_ptr<platform::FindHandle> search;
  if (app.platform.files.FindFirst(path, found, search) != platform::FileStatus::Ok) return false;
  return (found.attributes & platform::kDirectoryAttribute) != 0;
}

bool AddBackslash(std::wstring& path, std::size_t capacity) {
  if (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) return true;
  if (platform::WideUnits(path) + 1 >= capacity) return false;
  path += L'\\';
  return true;
}

bool JoinPath(std::wstring_view folder, std::wstring_view name, std::wstring& joined, std::size_t capacity) {
  joined.assign(folder);
  // A join that does not fit names another file than the one meant: refuse it whole.
  if (!AddBackslash(joined, capacity) || platform::WideUnits(joined) + platform::WideUnits(name) >= capacity) {
    joined.clear();
    return false;
  }
  joined += name;
  return true;
}

bool CreateFolderChain(Init_AP& app, std::wstring_view folder) {
  if (folder.empty()) return false;
  if (FolderExists(app, folder)) return true;
  std::size_t position = 0;
  for (;;) {
    const std::size_t separator = folder.find(L'\\', position);
    const std::wstring_view prefix = separator == std::wstring_view::npos ? folder : folder.substr(0, separator + 1);
    if (!prefix.empty() && !FolderExists(app, prefix) &&
        app.platform.files.CreateDirectory(prefix) != platform::FileStatus::Ok) {
      return false;
    }
    if (separator == std::wstring_view::npos) return true;
    position = separator + 1;
  }
}

std::int32_t CountFiles(Init_AP& app, std::wstring_view folder) {
  if (folder.empty() || !FolderExists(app, folder)) return 0;
  std::wstring pattern;
  if (!JoinPath(folder, L"*.*", pattern, platform::kPathCapacity)) return 0;
  platform::FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  if (app.platform.files.FindFirst(pattern, entry, listing) != platform::FileStatus::Ok) return 0;
  std::int32_t count = 0;
  std::wstring subfolder;
  do {
    if ((entry.attributes & platform::kDirectoryAttribute) != 0) {
      if (JoinPath(folder, entry.name, subfolder, platform::kPathCapacity)) count += CountFiles(app, subfolder);
    } else {
      ++count;
    }
  } while (listing->Next(entry) == platform::FileStatus::Ok);
  return count;
}

std::size_t ExtractFileName(std::wstring_view path, std::wstring* output, std::size_t capacity) {
  const std::size_t last = path.rfind(L'\\');
  if (last == std::wstring_view::npos) return 0;
  const std::wstring_view name = path.substr(last + 1);
  if (output != nullptr) {
    if (platform::WideUnits(name) >= capacity) return 0;
    output->assign(name);
  }
  return platform::WideUnits(name);
}

}  // namespace initap
