#include "config/xml_access.h"

#include "app/init_ap.h"
#include "platform/common/wide_units.h"
#include "update/file_helpers.h"

namespace initap {

namespace {

// The copy rule shared by texts and attributes: a value that does not fit is
// refused whole, never cut.
std::size_t CopyValue(const std::wstring& value, std::wstring* buffer, std::size_t capacity) {
  const std::size_t units = platform::WideUnits(value);
  if (buffer == nullptr) return units;
  if (units >= capacity) return 0;
  buffer->assign(value);
  return units;
}

}  // namespace

bool OpenXmlDocument(Init_AP& app, std::wstring_view path, OpenedXml& opened) {
  opened = OpenedXml{};
  if (path.empty() || !FileExists(app, path)) return false;
  std::unique_ptr<platform::XmlDocument> document = app.platform.xml.Load(path);
  if (!document) return false;
  std::unique_ptr<platform::XmlNode> root = document->DocumentElement();
  if (!root) return false;
  opened.document = std::move(document);
  opened.root = std::move(root);
  return true;
}

std::size_t ReadNodeText(const platform::XmlNode* context, std::wstring_view path, std::wstring* buffer,
                         std::size_t capacity) {
  if (context == nullptr || path.empty()) return 0;
  const std::unique_ptr<platform::XmlNode> node = context->SelectSingleNode(path);
  if (!node) return 0;
  return CopyValue(node->Text(), buffer, capacity);
}

int WriteNodeText(platform::XmlNode* context, std::wstring_view path, std::wstring_view text) {
  if (context == nullptr || path.empty() || text.data() == nullptr) return 0;
  const std::unique_ptr<platform::XmlNode> node = context->SelectSingleNode(path);
  if (!node) return 0;
  return node->PutText(text) ? 1 : 0;
}

std::size_t ReadAttribute(const platform::XmlNode* element, std::wstring_view name, std::wstring* buffer,
                          std::size_t capacity) {
  if (element == nullptr || name.empty()) return 0;
  std::wstring value;
  if (!element->GetAttribute(name, value)) return 0;
  return CopyValue(value, buffer, capacity);
}

}  // namespace initap
