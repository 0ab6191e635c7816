#include "platform/win32/xml/win32_xml.h"

#include "platform/win32/windows_api.h"

#include <msxml2.h>
#include <objbase.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/xml/com_ptr.h"
#include "platform/win32/xml/xml_encoding.h"

namespace platform::win32 {

namespace {

// The device's DOM component.
constexpr CLSID kDomDocument = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

bool IsBlank(std::wstring_view text) { return text.find_first_not_of(L" \t\r\n") == std::wstring_view::npos; }

std::wstring Trimmed(std::wstring text) {
  const std::size_t first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return {};
  const std::size_t last = text.find_last_not_of(L" \t\r\n");
  return text.substr(first, last - first + 1);
}

// Characters an XML document can hold; surrogates only in pairs.
bool IsXmlText(std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (IS_HIGH_SURROGATE(c)) {
      if (i + 1 >= text.size() || !IS_LOW_SURROGATE(text[i + 1])) return false;
      ++i;
      continue;
    }
    const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
    if (!allowed) return false;
  }
  return true;
}

std::wstring SelectedName(std::wstring_view path) {
  if (path.starts_with(L"./")) path.remove_prefix(2);
  if (path.find(L'/') != std::wstring_view::npos) return {};
  return std::wstring(path);
}

std::wstring NameOf(IXMLDOMNode* node) {
  UniqueBstr name;
  if (FAILED(node->get_nodeName(name.Put()))) return {};
  return name.Text();
}

DOMNodeType TypeOf(IXMLDOMNode* node) {
  DOMNodeType type = NODE_INVALID;
  if (FAILED(node->get_nodeType(&type))) return NODE_INVALID;
  return type;
}

// The children of `node` in document order.
std::vector<ComPtr<IXMLDOMNode>> Children(IXMLDOMNode* node) {
  std::vector<ComPtr<IXMLDOMNode>> children;
  ComPtr<IXMLDOMNode> child;
  if (node->get_firstChild(child.Put()) != S_OK) return children;
  while (child) {
    ComPtr<IXMLDOMNode> next;
    if (child->get_nextSibling(next.Put()) != S_OK) next = ComPtr<IXMLDOMNode>();
    children.push_back(std::move(child));
    child = std::move(next);
  }
  return children;
}

class Win32XmlNode final : public XmlNode {
 public:
  explicit Win32XmlNode(ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}

  std::wstring NodeName() const override { return NameOf(node_.Get()); }

  std::unique_ptr<XmlNode> SelectSingleNode(std::wstring_view path) const override {
    auto selected = Select(path, true);
    return selected.empty() ? nullptr : std::move(selected.front());
  }

  std::vector<std::unique_ptr<XmlNode>> SelectNodes(std::wstring_view path) const override {
    return Select(path, false);
  }

  std::wstring Text() const override {
    UniqueBstr text;
    if (FAILED(node_->get_text(text.Put()))) return {};
    return Trimmed(text.Text());
  }

  // The children are taken out one by one, not replaced by put_text: the
  // component frees them then, even while a node of ours still holds one.
  bool PutText(std::wstring_view text) override {
    if (TypeOf(node_.Get()) != NODE_ELEMENT || !IsXmlText(text)) return false;
    ComPtr<IXMLDOMNode> replacement;
    if (!text.empty()) {
      ComPtr<IXMLDOMDocument> document;
      ComPtr<IXMLDOMText> created;
      const UniqueBstr value(text);
      if (value.Get() == nullptr || node_->get_ownerDocument(document.Put()) != S_OK ||
          FAILED(document->createTextNode(value.Get(), created.Put()))) {
        return false;
      }
      replacement = created.As<IXMLDOMNode>(IID_IXMLDOMNode);
      if (!replacement) return false;
    }
    for (const auto& child : Children(node_.Get())) {
      ComPtr<IXMLDOMNode> removed;
      if (FAILED(node_->removeChild(child.Get(), removed.Put()))) return false;
    }
    ComPtr<IXMLDOMNode> appended;
    return !replacement || SUCCEEDED(node_->appendChild(replacement.Get(), appended.Put()));
  }

  bool GetAttribute(std::wstring_view name, std::wstring& value) const override {
    const auto element = node_.As<IXMLDOMElement>(IID_IXMLDOMElement);
    const UniqueBstr wanted(name);
    UniqueVariant found;
    if (!element || wanted.Get() == nullptr || element->getAttribute(wanted.Get(), &found.Get()) != S_OK ||
        found.Get().vt != VT_BSTR) {
      return false;
    }
    value.assign(found.Get().bstrVal, SysStringLen(found.Get().bstrVal));
    return true;
  }

  bool HasChildNodes() const override {
    VARIANT_BOOL has = VARIANT_FALSE;
    return SUCCEEDED(node_->hasChildNodes(&has)) && has == VARIANT_TRUE;
  }

  std::vector<std::unique_ptr<XmlNode>> ChildNodes() const override {
    std::vector<std::unique_ptr<XmlNode>> nodes;
    for (auto& child : Children(node_.Get())) {
      if (TypeOf(child.Get()) == NODE_TEXT) {
        UniqueBstr text;
        if (SUCCEEDED(child->get_text(text.Put())) && IsBlank(text.Text())) continue;
      }
      nodes.push_back(std::make_unique<Win32XmlNode>(std::move(child)));
    }
    return nodes;
  }

 private:
  std::vector<std::unique_ptr<XmlNode>> Select(std::wstring_view path, bool first) const {
    std::vector<std::unique_ptr<XmlNode>> selected;
    const std::wstring name = SelectedName(path);
    if (name.empty()) return selected;
    for (auto& child : Children(node_.Get())) {
      if (TypeOf(child.Get()) != NODE_ELEMENT || NameOf(child.Get()) != name) continue;
      selected.push_back(std::make_unique<Win32XmlNode>(std::move(child)));
      if (first) break;
    }
    return selected;
  }

  ComPtr<IXMLDOMNode> node_;
};

class Win32XmlDocument final : public XmlDocument {
 public:
  Win32XmlDocument(ComPtr<IXMLDOMDocument> document, FileSystem& files, XmlDeclaration declaration)
      : document_(std::move(document)), files_(files), declaration_(std::move(declaration)) {}

  std::unique_ptr<XmlNode> DocumentElement() const override {
    ComPtr<IXMLDOMElement> root;
    if (document_->get_documentElement(root.Put()) != S_OK || !root) return nullptr;
    return std::make_unique<Win32XmlNode>(root.As<IXMLDOMNode>(IID_IXMLDOMNode));
  }

  // The component's own save writes UTF-8 bytes whatever the declaration
  // says; the text is encoded here and put in place by the file system.
  bool Save(std::wstring_view path) override {
    UniqueBstr text;
    if (FAILED(document_->get_xml(text.Put()))) return false;
    std::string bytes;
    if (!EncodeDocument(declaration_, text.Text(), bytes)) return false;
    return files_.ReplaceFile(path, bytes) == FileStatus::Ok;
  }

 private:
  ComPtr<IXMLDOMDocument> document_;
  FileSystem& files_;
  XmlDeclaration declaration_;
};

// A safe array of bytes, destroyed with its owner.
class ByteArray {
 public:
  explicit ByteArray(std::string_view bytes)
      : array_(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()))) {
    void* data = nullptr;
    if (array_ == nullptr || FAILED(SafeArrayAccessData(array_, &data))) return;
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
    SafeArrayUnaccessData(array_);
    filled_ = true;
  }
  ByteArray(const ByteArray&) = delete;
  ByteArray& operator=(const ByteArray&) = delete;
  ~ByteArray() {
    if (array_ != nullptr) SafeArrayDestroy(array_);
  }
  SAFEARRAY* Get() const { return filled_ ? array_ : nullptr; }

 private:
  SAFEARRAY* array_;
  bool filled_ = false;
};

}  // namespace

Win32Xml::Win32Xml(FileSystem& files) : files_(files) {
  joined_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
}

Win32Xml::~Win32Xml() {
  if (joined_) CoUninitialize();
}

std::unique_ptr<XmlDocument> Win32Xml::Load(std::wstring_view path) {
  std::string bytes;
  if (files_.ReadFile(path, bytes) != FileStatus::Ok || bytes.empty()) return nullptr;
  ComPtr<IXMLDOMDocument> document;
  if (FAILED(CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                              reinterpret_cast<void**>(document.Put())))) {
    return nullptr;
  }
  // Validation on parse is the device's default; the component here may differ.
  if (FAILED(document->put_async(VARIANT_FALSE)) || FAILED(document->put_validateOnParse(VARIANT_TRUE)) ||
      FAILED(document->put_resolveExternals(VARIANT_FALSE)) ||
      FAILED(document->put_preserveWhiteSpace(VARIANT_FALSE))) {
    return nullptr;
  }
  const ByteArray array(bytes);
  if (array.Get() == nullptr) return nullptr;
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_ARRAY | VT_UI1;
  source.parray = array.Get();
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (document->load(source, &loaded) != S_OK || loaded != VARIANT_TRUE) return nullptr;
  return std::make_unique<Win32XmlDocument>(std::move(document), files_, ReadDeclaration(bytes));
}

}  // namespace platform::win32
