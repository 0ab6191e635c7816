#include "config/shortcut_list.h"

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "config/shortcut_file.h"
#include "config/xml_access.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"

namespace initap {

namespace {

// The value of an entry's attribute; false when it is absent or longer than
// `capacity` allows. ReadAttribute gives 0 for an absent, an empty and a
// refused value alike, so the presence test tells them apart.
bool ReadEntryAttribute(const platform::XmlNode& entry, std::wstring_view name, std::wstring& value,
                        std::size_t capacity) {
  value.clear();
  std::wstring present;
  if (!entry.GetAttribute(name, present)) return false;
  return ReadAttribute(&entry, name, &value, capacity) == platform::WideUnits(present);
}

}  // namespace

int CreateShortcuts(Init_AP& app, std::wstring_view listPath) {
  OpenedXml list;
  if (!OpenXmlDocument(app, listPath, list)) return 0;
  const std::vector<std::unique_ptr<platform::XmlNode>> entries = list.root->SelectNodes(L"./shortcut");
  if (entries.empty()) return 0;
  std::wstring name;
  std::wstring target;
  for (const std::unique_ptr<platform::XmlNode>& entry : entries) {
    if (!entry) return 0;
    // A nameless entry would make the file ".lnk"; one without a target has nothing to start.
    if (!ReadEntryAttribute(*entry, L"name", name, kValueCapacity) || name.empty() ||
        !ReadEntryAttribute(*entry, L"path", target, platform::kPathCapacity)) {
      continue;
    }
    std::ignore = WriteShortcutFile(app, name, target);
  }
  return 1;
}

}  // namespace initap
