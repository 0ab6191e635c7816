#include "platform/win32/xml/xml_encoding.h"

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

constexpr UINT kUtf16 = 1200;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

// The Windows code page of an encoding name; 0 when Windows has none, or when
// the encoding does not write markup as ASCII.
UINT CodePageOf(std::string_view encoding) {
  static constexpr std::array<std::pair<std::string_view, UINT>, 30> kNames = {{
      {"utf-8", CP_UTF8},    {"utf-16", kUtf16},     {"iso-10646-ucs-2", kUtf16},
      {"us-ascii", 20127},   {"iso-8859-1", 28591},  {"latin1", 28591},
      {"iso-8859-2", 28592}, {"iso-8859-5", 28595},  {"iso-8859-7", 28597},
      {"iso-8859-9", 28599}, {"iso-8859-15", 28605}, {"windows-874", 874},
      {"gb2312", 936},       {"gbk", 936},           {"big5", 950},
      {"euc-kr", 949},       {"euc-jp", 20932},      {"iso-2022-jp", 50220},
      {"shift_jis", 932},    {"shift-jis", 932},     {"ms_kanji", 932},
      {"csshiftjis", 932},   {"sjis", 932},          {"x-sjis", 932},
      {"windows-31j", 932},  {"x-ms-cp932", 932},    {"koi8-r", 20866},
      {"cp932", 932},        {"cp936", 936},         {"gb18030", 54936},
  }};
  const std::string name = Lower(encoding);
  for (const auto& [known, codePage] : kNames) {
    if (name == known) return codePage;
  }
  // windows-1250 ... windows-1258
  if (name.size() == 12 && name.starts_with("windows-125") && name[11] >= '0' && name[11] <= '8') {
    return 1250 + static_cast<UINT>(name[11] - '0');
  }
  return 0;
}

// The value of `name="..."` (or '...') inside a declaration.
std::string Pseudo(std::string_view declaration, std::string_view name) {
  for (std::size_t at = declaration.find(name); at != std::string_view::npos; at = declaration.find(name, at + 1)) {
    std::size_t i = at + name.size();
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '\t')) ++i;
    if (i >= declaration.size() || declaration[i] != '=') continue;
    ++i;
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '\t')) ++i;
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) continue;
    const std::size_t end = declaration.find(declaration[i], i + 1);
    if (end == std::string_view::npos) return {};
    return std::string(declaration.substr(i + 1, end - i - 1));
  }
  return {};
}

void AppendUtf16(std::wstring_view text, std::string& bytes) {
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
}

// `text` in `codePage`; a character the code page lacks becomes a reference.
bool Encode(UINT codePage, std::wstring_view text, std::string& bytes) {
  auto convert = [codePage](std::wstring_view part, std::string& out, bool& lacking) {
    // These code pages take no flags and report nothing lacking.
    const bool plain = codePage == CP_UTF8 || codePage == 50220 || codePage == 54936;
    BOOL usedDefault = FALSE;
    const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(part.size());
    const int length =
        WideCharToMultiByte(codePage, flags, part.data(), size, nullptr, 0, nullptr, plain ? nullptr : &usedDefault);
    if (length <= 0) return false;
    std::string converted(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, flags, part.data(), size, converted.data(), length, nullptr,
                            plain ? nullptr : &usedDefault) != length) {
      return false;
    }
    lacking = usedDefault != FALSE;
    out += converted;
    return true;
  };
  bool lacking = false;
  std::string whole;
  if (!convert(text, whole, lacking)) return false;
  if (!lacking) {
    bytes += whole;
    return true;
  }
  for (std::size_t i = 0; i < text.size();) {
    const bool pair = i + 1 < text.size() && IS_HIGH_SURROGATE(text[i]) && IS_LOW_SURROGATE(text[i + 1]);
    const std::wstring_view character = text.substr(i, pair ? 2 : 1);
    i += character.size();
    std::string one;
    if (convert(character, one, lacking) && !lacking) {
      bytes += one;
      continue;
    }
    const unsigned long code =
        pair ? 0x10000UL + ((character[0] - 0xD800UL) << 10) + (character[1] - 0xDC00UL) : character[0];
    char reference[16];
    std::snprintf(reference, sizeof reference, "&#%lu;", code);
    bytes += reference;
  }
  return true;
}

}  // namespace

XmlDeclaration ReadDeclaration(std::string_view bytes) {
  XmlDeclaration declaration;
  std::string start;
  const bool little = bytes.starts_with("\xFF\xFE");
  const bool utf16 = little || bytes.starts_with("\xFE\xFF");
  if (utf16) {
    // Markup is ASCII: the low byte of each unit is enough to read it.
    for (std::size_t i = 2; i + 1 < bytes.size() && start.size() < 256; i += 2) {
      start += little ? bytes[i] : bytes[i + 1];
    }
  } else {
    start = bytes.substr(bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0, 256);
  }
  if (!start.starts_with("<?xml") || start.size() < 6 ||
      (start[5] != ' ' && start[5] != '\t' && start[5] != '\r' && start[5] != '\n')) {
    return declaration;
  }
  const std::string_view text = std::string_view(start).substr(0, start.find("?>"));
  declaration.present = true;
  if (std::string version = Pseudo(text, "version"); !version.empty()) declaration.version = version;
  declaration.encoding = Pseudo(text, "encoding");
  declaration.standalone = Pseudo(text, "standalone");
  if (declaration.encoding.empty() && utf16) declaration.encoding = "UTF-16";
  return declaration;
}

bool EncodeDocument(const XmlDeclaration& declaration, std::wstring_view text, std::string& bytes) {
  // The component writes its own declaration; the loaded one is written instead.
  if (text.starts_with(L"<?xml ")) {
    const std::size_t end = text.find(L"?>");
    if (end == std::wstring_view::npos) return false;
    text.remove_prefix(end + 2);
  }
  while (!text.empty() && (text.front() == L'\r' || text.front() == L'\n')) text.remove_prefix(1);
  bytes.clear();
  if (!declaration.present) return Encode(CP_UTF8, text, bytes);

  UINT codePage = declaration.encoding.empty() ? CP_UTF8 : CodePageOf(declaration.encoding);
  std::string encoding = declaration.encoding;
  if (codePage == 0) {
    codePage = CP_UTF8;
    encoding = "UTF-8";
  }
  std::string head = "<?xml version=\"" + declaration.version + "\"";
  if (!encoding.empty()) head += " encoding=\"" + encoding + "\"";
  if (!declaration.standalone.empty()) head += " standalone=\"" + declaration.standalone + "\"";
  head += "?>\r\n";
  if (codePage == kUtf16) {
    bytes = "\xFF\xFE";
    AppendUtf16(FromUtf8(head), bytes);
    AppendUtf16(text, bytes);
    return true;
  }
  bytes = head;
  return Encode(codePage, text, bytes);
}

}  // namespace platform::win32
