#include "update/delete_operation.h"

#include <memory>
#include <string>
#include <tuple>

#include "app/init_ap.h"
#include "config/xml_access.h"
#include "display/screen_painting.h"
#include "display/update_log.h"
#include "platform/common/path_limits.h"
#include "update/file_helpers.h"
#include "update/path_resolution.h"

namespace initap {

bool ExecuteDelete(Init_AP& app, const platform::XmlNode* element) {
  if (element == nullptr) return false;
  SetStatusText(app, kCountingDeletesText);

  std::wstring path;
  if (ReadAttribute(element, L"path", &app.resolvedPath, platform::kPathCapacity) == 0) return false;
  std::ignore = ResolvePath(app, app.resolvedPath, path, platform::kPathCapacity);

  std::int32_t deleted = 0;
  if (!path.empty() && path.back() == L'\\') {
    app.progressDone = 0;
    app.progressTotal = CountFiles(app, path);
    std::ignore = DeleteFolder(app, path, deleted);
  } else if (const std::size_t last = path.rfind(L'\\'); last != std::wstring::npos) {
    app.progressTotal = 1;
    app.progressDone = 1;
    SetStatusText(app, L"%s%s", L"delete ", path.substr(last + 1));
    if (app.platform.files.DeleteFile(path) == platform::FileStatus::Ok) deleted = 1;
  }
  // A path that did not resolve names nothing to delete.
  WriteLog(app, L"%d files has been deleted.", deleted);
  return true;
}

bool DeleteFolder(Init_AP& app, std::wstring_view folder, std::int32_t& deleted) {
  if (folder.empty()) return false;
  if (!FolderExists(app, folder)) return true;

  std::wstring pattern;
  if (!JoinPath(folder, L"*.*", pattern, platform::kPathCapacity)) return false;
  platform::FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  const platform::FileStatus started = app.platform.files.FindFirst(pattern, entry, listing);
  if (started == platform::FileStatus::Ok) {
    std::wstring entryPath;
    do {
      // A join that does not fit a path names no file of this folder: stop as at a failed file.
      if (!JoinPath(folder, entry.name, entryPath, platform::kPathCapacity)) return false;
      if ((entry.attributes & platform::kDirectoryAttribute) != 0) {
        if (!DeleteFolder(app, entryPath, deleted)) return false;
      } else {
        std::ignore = ExtractFileName(entryPath, &app.resolvedPath, platform::kPathCapacity);
        app.progressDone += 1;
        SetStatusText(app, L"delete %s", app.resolvedPath);
        if (app.platform.files.DeleteFile(entryPath) != platform::FileStatus::Ok) return false;
        ++deleted;
      }
    } while (listing->Next(entry) == platform::FileStatus::Ok);
    listing.reset();
  } else if (started != platform::FileStatus::NoMoreFiles) {
    return false;
  }
  return app.platform.files.RemoveDirectory(folder) == platform::FileStatus::Ok;
}

}  // namespace initap
