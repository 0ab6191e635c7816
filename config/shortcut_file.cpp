#include "config/shortcut_file.h"

#include <algorithm>
#include <memory>
#include <tuple>

#include "app/init_ap.h"
#include "display/text_format.h"
#include "platform/common/path_limits.h"
#include "platform/common/wide_units.h"

namespace initap {

namespace {

constexpr std::wstring_view kDesktopKey = L"CLSID\\{00021400-0000-0000-C000-000000000046}";
constexpr std::wstring_view kDesktopValue = L"DisplayName";

// The narrow form of `text` when it fits a path buffer with its terminator.
bool NarrowFits(Init_AP& app, std::wstring_view text, std::string& narrow) {
  return platform::WideUnits(text) < platform::kPathCapacity &&
         ToNarrowText(app, text, &narrow, platform::kPathCapacity) < platform::kPathCapacity;
}

}  // namespace

std::size_t ToNarrowText(Init_AP& app, std::wstring_view text, std::string* buffer, std::size_t capacity) {
  if (text.data() == nullptr) return 0;
  std::string converted = app.platform.codePage.ToAnsi(text);
  const std::size_t needed = converted.size();
  if (buffer != nullptr) {
    converted.resize(std::min(needed, capacity));
    *buffer = std::move(converted);
  }
  return needed;
}

void GetDesktopFolderName(Init_AP& app, std::wstring& buffer, std::size_t capacity) {
  const std::unique_ptr<platform::RegistryKey> key =
      app.platform.registry.CreateKey(platform::RegistryRoot::ClassesRoot, kDesktopKey);
  if (!key) return;
  std::wstring name;
  if (key->QueryString(kDesktopValue, name, capacity * 2)) buffer = std::move(name);
}

int WriteShortcutFile(Init_AP& app, std::wstring_view name, std::wstring_view target) {
  const std::wstring shortcutPath = FormatText(L"\\Windows\\%s.lnk", name);
  // The text is checked before the file is made, so a refused shortcut leaves no empty file.
  const std::wstring text = FormatText(L"%d#\"%s\"", platform::WideUnits(target) + 2, target);
  std::string narrowPath;
  std::string narrowText;
  if (!NarrowFits(app, shortcutPath, narrowPath) || !NarrowFits(app, text, narrowText)) return 0;

  // The file is opened by its narrow name, so a character the code page
  // lacks is lost from the name as it is on the device.
  std::unique_ptr<platform::WriteStream> file;
  if (app.platform.files.CreateForWrite(app.platform.codePage.FromAnsi(narrowPath), file) != platform::FileStatus::Ok ||
      !file) {
    return 0;
  }
  std::ignore = file->Write(narrowText);
  std::ignore = file->Close();

  // Without a readable name there is no desktop folder to move into: the
  // shortcut stays directly in \Windows.
  std::wstring desktop;
  GetDesktopFolderName(app, desktop, platform::kPathCapacity);
  if (desktop.empty()) return 1;
  const std::wstring destination = FormatText(L"\\Windows\\%s\\%s.lnk", desktop, name);
  if (platform::WideUnits(destination) < platform::kPathCapacity) {
    std::ignore = app.platform.files.MoveFile(shortcutPath, destination);
  }
  return 1;
}

}  // namespace initap
