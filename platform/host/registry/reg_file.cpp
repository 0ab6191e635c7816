#include "platform/host/registry/reg_file.h"

#include <vector>

#include "platform/host/registry/utf16le.h"
#include "platform/host/utf8.h"

namespace platform::host {

namespace {

constexpr std::wstring_view kRegedit4 = L"REGEDIT4";
constexpr std::wstring_view kVersion5 = L"Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

// The short names the registry editor takes for the root keys.
struct RootAlias {
  std::wstring_view alias;
  std::wstring_view name;
};
constexpr RootAlias kRootAliases[] = {
    {L"HKCR", L"HKEY_CLASSES_ROOT"}, {L"HKCU", L"HKEY_CURRENT_USER"},   {L"HKLM", L"HKEY_LOCAL_MACHINE"},
    {L"HKU", L"HKEY_USERS"},         {L"HKCC", L"HKEY_CURRENT_CONFIG"},
};

std::wstring_view TrimLeft(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  return text;
}

std::wstring_view TrimRight(std::wstring_view text) {
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
  return text;
}

std::wstring_view Trim(std::wstring_view text) { return TrimRight(TrimLeft(text)); }

// None when the text has characters the encoding cannot hold.
std::optional<std::string> Encode(std::wstring_view text, RegFileEncoding encoding, CodePage& ansi) {
  std::string bytes;
  std::wstring back;
  switch (encoding) {
    case RegFileEncoding::Utf16LeBom:
      bytes = ToUtf16Le(text);
      back = FromUtf16Le(bytes);
      break;
    case RegFileEncoding::Ansi:
      bytes = ansi.ToAnsi(text);
      back = ansi.FromAnsi(bytes);
      break;
    case RegFileEncoding::Utf8:
    case RegFileEncoding::Utf8Bom:
      bytes = ToUtf8(text);
      back = FromUtf8(bytes);
      break;
  }
  if (back != text) return std::nullopt;
  return bytes;
}

// Bytes that begin, after blank lines, with the REGEDIT4 header.
bool IsRegedit4(std::string_view bytes) {
  const std::size_t start = bytes.find_first_not_of(" \t\r\n");
  return start != std::string_view::npos && bytes.substr(start).starts_with("REGEDIT4");
}

// The file's text, with its encoding told by its byte-order mark or, without
// one, by its header: REGEDIT4 is in the code page, a later header UTF-8 when it reads as UTF-8.
bool Decode(std::string_view bytes, CodePage& ansi, std::wstring& text, RegFileEncoding& encoding) {
  if (bytes.starts_with(kUtf16LeBom)) {
    encoding = RegFileEncoding::Utf16LeBom;
    text = FromUtf16Le(bytes.substr(kUtf16LeBom.size()));
  } else if (bytes.starts_with("\xFE\xFF")) {
    return false;  // big-endian UTF-16 is no registry editor's format
  } else if (bytes.starts_with(kUtf8Bom)) {
    encoding = RegFileEncoding::Utf8Bom;
    text = FromUtf8(bytes.substr(kUtf8Bom.size()));
  } else if (IsRegedit4(bytes)) {
    // A REGEDIT4 file is in the device's code page, all-ASCII or not.
    encoding = RegFileEncoding::Ansi;
    text = ansi.FromAnsi(bytes);
  } else if (text = FromUtf8(bytes); ToUtf8(text) == bytes) {
    encoding = RegFileEncoding::Utf8;
  } else {
    encoding = RegFileEncoding::Ansi;
    text = ansi.FromAnsi(bytes);
  }
  return true;
}

std::vector<std::wstring_view> SplitLines(std::wstring_view text, bool& crlf) {
  std::vector<std::wstring_view> lines;
  bool firstEnd = true;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\n' && text[i] != L'\r') continue;
    const bool pair = text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n';
    if (firstEnd) crlf = pair;
    firstEnd = false;
    lines.push_back(text.substr(start, i - start));
    if (pair) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// One to eight hex digits, the whole of `text`.
bool ParseHexNumber(std::wstring_view text, std::uint32_t& number) {
  if (text.empty() || text.size() > 8) return false;
  number = 0;
  for (wchar_t c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    number = number * 16 + static_cast<std::uint32_t>(digit);
  }
  return true;
}

// A quoted text at `pos` with the escapes \\ and \"; `pos` ends after the closing quote.
bool ParseQuoted(std::wstring_view line, std::size_t& pos, std::wstring& text) {
  if (pos >= line.size() || line[pos] != L'"') return false;
  text.clear();
  for (++pos; pos < line.size(); ++pos) {
    const wchar_t c = line[pos];
    if (c == L'"') {
      ++pos;
      return true;
    }
    if (c == L'\\' && pos + 1 < line.size() && (line[pos + 1] == L'\\' || line[pos + 1] == L'"')) {
      text += line[++pos];
    } else {
      text += c;
    }
  }
  return false;
}

std::wstring Quote(std::wstring_view text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  out += L'"';
  return out;
}

class Reader {
 public:
  Reader(std::vector<std::wstring_view> lines, RegFileFormat format, CodePage& ansi, RegistryNode& tree)
      : lines_(std::move(lines)), format_(format), ansi_(ansi), tree_(tree) {}

  // Reads from the line after the header; the first problem, or empty.
  std::string Run(std::size_t first) {
    for (index_ = first; index_ < lines_.size(); ++index_) {
      const std::wstring_view line = Trim(lines_[index_]);
      if (line.empty() || line.front() == L';') continue;
      line_ = index_;
      const char* failure = line.front() == L'['                             ? KeyLine(line)
                            : (line.front() == L'"' || line.front() == L'@') ? ValueLine(line)
                                                                             : "not a key, value or comment";
      if (failure != nullptr && problem_.empty()) {
        problem_ = "line " + std::to_string(line_ + 1) + ": " + failure;
      }
    }
    return problem_;
  }

 private:
  const char* KeyLine(std::wstring_view line) {
    current_ = nullptr;
    const std::size_t close = line.rfind(L']');
    if (close == std::wstring_view::npos) return "key without closing bracket";
    std::wstring_view path = line.substr(1, close - 1);
    const bool remove = !path.empty() && path.front() == L'-';
    if (remove) path.remove_prefix(1);
    std::vector<std::wstring_view> names;
    for (std::size_t start = 0;;) {
      const std::size_t end = path.find(L'\\', start);
      names.push_back(path.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
      if (end == std::wstring_view::npos) break;
      start = end + 1;
    }
    if (names.size() > 1 && names.back().empty()) names.pop_back();  // a trailing backslash
    for (const auto name : names) {
      if (name.empty()) return "key with an empty name";
    }
    for (const auto& alias : kRootAliases) {
      if (SameRegistryName(names.front(), alias.alias)) names.front() = alias.name;
    }
    if (remove) {
      RegistryNode* parent = &tree_;
      for (std::size_t i = 0; parent != nullptr && i + 1 < names.size(); ++i) parent = parent->FindChild(names[i]);
      if (parent != nullptr) parent->RemoveChild(names.back());
      deleted_ = true;
      return nullptr;
    }
    deleted_ = false;
    RegistryNode* node = &tree_;
    for (const auto name : names) node = &node->AddChild(name);
    current_ = node;
    return nullptr;
  }

  const char* ValueLine(std::wstring_view line) {
    RegistryValue value;
    std::size_t pos = 0;
    if (line.front() == L'@') {
      pos = 1;
    } else if (!ParseQuoted(line, pos, value.name)) {
      return "value name without closing quote";
    }
    std::wstring_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != L'=') return "value without \"=\"";
    rest = TrimLeft(rest.substr(1));
    if (current_ == nullptr) return deleted_ ? "value below a deleted key" : "value outside a key";

    if (rest == L"-") {
      current_->RemoveValue(value.name);
      return nullptr;
    }
    if (!rest.empty() && rest.front() == L'"') {
      std::wstring text;
      pos = 0;
      if (!ParseQuoted(rest, pos, text)) return "text without closing quote";
      if (!Trim(rest.substr(pos)).empty()) return "characters after the text";
      value.type = kRegSz;
      value.data = ToUtf16Le(text) + std::string(2, '\0');
    } else if (rest.starts_with(L"dword:")) {
      std::uint32_t number = 0;
      if (!ParseHexNumber(Trim(rest.substr(6)), number)) return "dword without eight hex digits";
      value.type = kRegDword;
      for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>((number >> shift) & 0xFF);
    } else if (rest.starts_with(L"hex")) {
      if (const char* failure = HexValue(rest.substr(3), value)) return failure;
    } else {
      return "value of no known kind";
    }
    current_->SetValue(std::move(value));
    return nullptr;
  }

  // "hex:..." or "hex(N):...", continued over the lines that follow a backslash.
  const char* HexValue(std::wstring_view rest, RegistryValue& value) {
    value.type = kRegBinary;
    if (!rest.empty() && rest.front() == L'(') {
      const std::size_t close = rest.find(L')');
      if (close == std::wstring_view::npos || !ParseHexNumber(rest.substr(1, close - 1), value.type)) {
        return "hex type that is no hex number";
      }
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != L':') return "hex without \":\"";
    std::wstring list(TrimRight(rest.substr(1)));
    while (!list.empty() && list.back() == L'\\') {
      list.pop_back();
      if (++index_ >= lines_.size()) return "hex continued past the end of the file";
      list += Trim(lines_[index_]);
    }
    std::string bytes;
    std::size_t start = 0;
    while (start < list.size()) {
      std::size_t end = list.find(L',', start);
      if (end == std::wstring::npos) end = list.size();
      const std::wstring_view item = Trim(std::wstring_view(list).substr(start, end - start));
      std::uint32_t byte = 0;
      if (item.size() > 2 || !ParseHexNumber(item, byte)) return "hex byte that is not two hex digits";
      bytes += static_cast<char>(byte);
      start = end + 1;
    }
    const bool narrowText = value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    // REGEDIT4 holds texts given in hex in the device's code page, whatever the file's own encoding.
    value.data = format_.header == RegFileHeader::Regedit4 && narrowText ? ToUtf16Le(ansi_.FromAnsi(bytes)) : bytes;
    value.hexBytes = std::move(bytes);
    return nullptr;
  }

  std::vector<std::wstring_view> lines_;
  RegFileFormat format_;
  CodePage& ansi_;
  RegistryNode& tree_;
  RegistryNode* current_ = nullptr;
  bool deleted_ = false;
  std::size_t index_ = 0;
  std::size_t line_ = 0;  // where the entry being read began
  std::string problem_;
};

class Writer {
 public:
  Writer(const RegFileFormat& format, CodePage& ansi)
      : format_(format), ansi_(ansi), eol_(format.crlf ? L"\r\n" : L"\n") {}

  std::optional<std::wstring> Run(const RegistryNode& tree) {
    out_ = std::wstring(format_.header == RegFileHeader::Regedit4 ? kRegedit4 : kVersion5) + eol_ + eol_;
    for (const auto& root : tree.Children()) {
      if (!Key(*root, root->Name())) return std::nullopt;
    }
    return out_;
  }

 private:
  // A key is written when it has values or no subkeys: the subkeys' lines make their parents.
  bool Key(const RegistryNode& node, const std::wstring& path) {
    if (!node.Values().empty() || node.Children().empty()) {
      out_ += L"[" + path + L"]" + eol_;
      for (const auto& value : node.Values()) {
        if (!Value(value)) return false;
      }
      out_ += eol_;
    }
    for (const auto& child : node.Children()) {
      if (!Key(*child, path + L"\\" + child->Name())) return false;
    }
    return true;
  }

  bool Value(const RegistryValue& value) {
    std::wstring line = value.name.empty() ? L"@=" : Quote(value.name) + L"=";
    if (value.hexBytes) {
      HexLine(line, value.type, *value.hexBytes);
      return true;
    }
    if (value.type == kRegSz && IsPlainText(value.data)) {
      out_ += line + Quote(FromUtf16Le(std::string_view(value.data).substr(0, value.data.size() - 2))) + eol_;
      return true;
    }
    if (value.type == kRegDword && value.data.size() == 4) {
      std::uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
      out_ += line + L"dword:" + Hex(number, 8) + eol_;
      return true;
    }
    std::string bytes = value.data;
    const bool narrowText = value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    if (format_.header == RegFileHeader::Regedit4 && narrowText) {
      const std::wstring text = FromUtf16Le(value.data);
      if (ToUtf16Le(text) != value.data) return false;
      auto narrow = Encode(text, RegFileEncoding::Ansi, ansi_);
      if (!narrow) return false;
      bytes = std::move(*narrow);
    }
    HexLine(line, value.type, bytes);
    return true;
  }

  // The value's bytes in hex after `line`, its name and "=".
  void HexLine(std::wstring line, std::uint32_t type, std::string_view bytes) {
    line += type == kRegBinary ? std::wstring(L"hex:") : L"hex(" + Hex(type, 0) + L"):";
    // Wrapped as the registry editor wraps, before the 80th column.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const bool last = i + 1 == bytes.size();
      line += Hex(static_cast<unsigned char>(bytes[i]), 2);
      if (last) break;
      line += L',';
      if (line.size() > 76) {
        out_ += line + L"\\" + eol_;
        line = L"  ";
      }
    }
    out_ += line + eol_;
  }

  // Data that reads back the same from a quoted text: one terminator at the end, none before.
  static bool IsPlainText(const std::string& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < data.size(); i += 2) {
      const bool zero = data[i] == 0 && data[i + 1] == 0;
      if (zero != (i + 2 == data.size())) return false;
    }
    const std::string_view body(data.data(), data.size() - 2);
    const std::wstring text = FromUtf16Le(body);
    return ToUtf16Le(text) == body && text.find_first_of(L"\r\n") == std::wstring::npos;
  }

  static std::wstring Hex(std::uint32_t number, std::size_t width) {
    std::wstring digits;
    do {
      digits.insert(digits.begin(), L"0123456789abcdef"[number % 16]);
      number /= 16;
    } while (number != 0);
    if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
    return digits;
  }

  const RegFileFormat& format_;
  CodePage& ansi_;
  std::wstring eol_;
  std::wstring out_;
};

}  // namespace

bool ReadRegFile(std::string_view bytes, CodePage& ansi, RegistryNode& tree, RegFileFormat& format,
                 std::string& problem) {
  std::wstring text;
  if (!Decode(bytes, ansi, text, format.encoding)) return false;
  std::vector<std::wstring_view> lines = SplitLines(text, format.crlf);
  std::size_t header = 0;
  while (header < lines.size() && Trim(lines[header]).empty()) ++header;
  if (header == lines.size()) return false;
  const std::wstring_view first = Trim(lines[header]);
  if (first == kRegedit4) {
    format.header = RegFileHeader::Regedit4;
  } else if (first == kVersion5) {
    format.header = RegFileHeader::Version5;
  } else {
    return false;
  }
  problem = Reader(std::move(lines), format, ansi, tree).Run(header + 1);
  return true;
}

std::optional<std::string> WriteRegFile(const RegistryNode& tree, const RegFileFormat& format, CodePage& ansi) {
  const auto text = Writer(format, ansi).Run(tree);
  if (!text) return std::nullopt;
  auto bytes = Encode(*text, format.encoding, ansi);
  if (!bytes) return std::nullopt;
  switch (format.encoding) {
    case RegFileEncoding::Utf16LeBom: return std::string(kUtf16LeBom) + *bytes;
    case RegFileEncoding::Utf8Bom: return std::string(kUtf8Bom) + *bytes;
    default: return bytes;
  }
}

}  // namespace platform::host
