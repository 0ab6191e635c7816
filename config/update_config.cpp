#include "config/update_config.h"

#include <string>
#include <tuple>

#include "app/init_ap.h"
#include "config/decimal_number.h"
#include "config/rect_text.h"
#include "config/xml_access.h"
#include "display/text_format.h"
#include "platform/common/path_limits.h"

namespace initap {

namespace {

// A present path element sets its field even when empty; an absent one keeps
// it. A path too long to take empties the field, so that it names nothing
// rather than the default, and the debug output tells why.
void ReadPathElement(Init_AP& app, const platform::XmlNode* root, std::wstring_view name, std::wstring& field) {
  const std::wstring path = L"./" + std::wstring(name);
  const std::size_t length = ReadNodeText(root, path, nullptr, platform::kPathCapacity);
  if (length < platform::kPathCapacity) {
    std::ignore = ReadNodeText(root, path, &field, platform::kPathCapacity);
    return;
  }
  field.clear();
  app.platform.kernel.DebugOutput(
      FormatText(L"[Init_AP::ReadConfig] <%s> of %d characters is too long, left empty", name, length));
}

}  // namespace

int ReadConfig(Init_AP& app, std::wstring_view path) {
  OpenedXml opened;
  if (!OpenXmlDocument(app, path, opened)) return 0;
  const platform::XmlNode* root = opened.root.get();

  ReadPathElement(app, root, L"launch", app.launchPath);
  ReadPathElement(app, root, L"logo", app.logoPath);
  ReadPathElement(app, root, L"zanty", app.zantyPath);

  // Numbers and rectangles change only for a text that is not empty.
  std::wstring value;
  if (ReadNodeText(root, L"./filename_rect", &value, kValueCapacity) > 0)
    std::ignore = ParseRect(value, &app.filenameRect);
  if (ReadNodeText(root, L"./progress_rect", &value, kValueCapacity) > 0)
    std::ignore = ParseRect(value, &app.progressRect);
  if (ReadNodeText(root, L"./filename_color", &value, kValueCapacity) > 0) {
    app.filenameColor = static_cast<platform::ColorRef>(DecimalNumber(value));
  }
  if (ReadNodeText(root, L"./progress_color", &value, kValueCapacity) > 0) {
    app.progressColor = static_cast<platform::ColorRef>(DecimalNumber(value));
  }
  if (ReadNodeText(root, L"./update_already", &value, kValueCapacity) > 0) {
    app.updateAlready = DecimalNumber(value);
  }
  // The times are stored as read; they are bounded where they are waited out.
  if (ReadNodeText(root, L"./logo_showtime", &value, kValueCapacity) > 0) {
    app.logoShowTime = static_cast<std::uint32_t>(DecimalNumber(value));
  }
  if (ReadNodeText(root, L"./exit_showtime", &value, kValueCapacity) > 0) {
    app.exitShowTime = static_cast<std::uint32_t>(DecimalNumber(value));
  }
  return 1;
}

int MarkUpdateApplied(Init_AP& app, std::wstring_view path) {
  OpenedXml opened;
  if (!OpenXmlDocument(app, path, opened)) return 0;
  // Without the element the document is saved unchanged.
  std::ignore = WriteNodeText(opened.root.get(), L"update_already", L"1");
  // Save writes beside the file and renames into place: a failure leaves it whole.
  return opened.document->Save(path) ? 1 : 0;
}

}  // namespace initap
