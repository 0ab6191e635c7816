#include "update/update_worker.h"

#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "app/init_ap.h"
#include "display/update_log.h"
#include "platform/common/path_limits.h"
#include "platform/common/update_descriptions.h"
#include "update/copy_operation.h"
#include "update/delete_operation.h"
#include "update/file_helpers.h"
#include "update/path_resolution.h"

namespace initap {

namespace {

// Step names are recognised in any letter case.
bool SameNameIgnoringCase(std::wstring_view name, std::wstring_view step) {
  if (name.size() != step.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i] >= L'A' && name[i] <= L'Z' ? static_cast<wchar_t>(name[i] + 32) : name[i];
    if (c != step[i]) return false;
  }
  return true;
}

void Post(Init_AP& app, std::uint32_t message) {
  std::ignore = app.platform.windows.PostMessage(app.Handle(), message, 0, 0);
}

}  // namespace

std::uint32_t UpdateThreadProc(Init_AP& app) {
  app.platform.kernel.Sleep(100);

  // Only a description whose update list is carried out goes on; the others configured the boot only.
  const platform::UpdateDescription* found = platform::DescriptionOf(app.updateSource);
  switch (found != nullptr ? found->use : platform::DescriptionUse::kOverlooked) {
    case platform::DescriptionUse::kCarriedOut: WriteLog(app, L"found update file %s.", found->path); break;
    case platform::DescriptionUse::kConfigurationOnly:
      WriteLog(app, L"no update file, read config file and goto wince.");
      Post(app, UM_NO_UPDATE);
      return 0;
    case platform::DescriptionUse::kOverlooked:
      WriteLog(app, L"no update and config file, goto wince.");
      Post(app, UM_NO_UPDATE);
      return 0;
  }

  // The force-update marker overrides the applied flag.
  std::ignore = ResolvePath(app, app.zantyPath, app.resolvedPath, platform::kPathCapacity);
  if (FileExists(app, app.resolvedPath)) {
    WriteLog(app, L"zanty file exist.");
  } else if (app.updateAlready != 0) {
    WriteLog(app, L"already update.");
    Post(app, UM_ALREADY_UPDATED);
    return 0;
  }

  // Declared in the order they are obtained, so that every exit releases
  // them in reverse, and always after the message was posted.
  const std::unique_ptr<platform::XmlDocument> document = app.platform.xml.Load(found->path);
  if (!document) {
    Post(app, UM_UPDATE_ERROR);
    return 0;
  }
  const std::unique_ptr<platform::XmlNode> root = document->DocumentElement();
  if (!root) {
    Post(app, UM_UPDATE_ERROR);
    return 0;
  }
  const std::unique_ptr<platform::XmlNode> update = root->SelectSingleNode(L"./update");
  if (!update) {
    Post(app, UM_UPDATE_ERROR);
    return 0;
  }
  if (!update->HasChildNodes()) {
    WriteLog(app, L"update list is 0.");
    Post(app, UM_NO_UPDATE);
    return 0;
  }
  std::vector<std::unique_ptr<platform::XmlNode>> children = update->ChildNodes();
  if (children.empty()) {
    WriteLog(app, L"update list is 0.");
    Post(app, UM_NO_UPDATE);
    return 0;
  }

  // A failed element never stops the walk; elements nested in a step are not visited.
  for (std::unique_ptr<platform::XmlNode>& child : children) {
    if (!child) continue;
    const std::wstring name = child->NodeName();
    if (SameNameIgnoringCase(name, L"copy")) {
      std::ignore = ExecuteCopy(app, child.get());
    } else if (SameNameIgnoringCase(name, L"delete")) {
      std::ignore = ExecuteDelete(app, child.get());
    }
    child.reset();
  }

  Post(app, UM_UPDATE_DONE);
  return 0;
}

}  // namespace initap
