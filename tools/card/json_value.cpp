#include "tools/card/json_value.h"

#include <cctype>
#include <cstdlib>

#include "platform/host/utf8.h"

namespace initap::card {

namespace {

// Reads one value at a time from the text, moving past what it read.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonValue> Value() {
    Space();
    if (at_ >= text_.size()) return std::nullopt;
    const char c = text_[at_];
    if (c == '{') return Object();
    if (c == '[') return Array();
    if (c == '"') {
      std::optional<std::string> text = String();
      if (!text) return std::nullopt;
      return JsonValue(std::move(*text));
    }
    if (Word("true")) return JsonValue(true);
    if (Word("false")) return JsonValue(false);
    if (Word("null")) return JsonValue();
    return Number();
  }

  bool AtEnd() {
    Space();
    return at_ == text_.size();
  }

 private:
  void Space() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
  }
  bool Take(char c) {
    Space();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  std::optional<JsonValue> Object() {
    ++at_;
    JsonValue::Object members;
    if (Take('}')) return JsonValue(std::move(members));
    do {
      Space();
      std::optional<std::string> name = String();
      if (!name || !Take(':')) return std::nullopt;
      std::optional<JsonValue> value = Value();
      if (!value) return std::nullopt;
      members.insert_or_assign(std::move(*name), std::move(*value));
    } while (Take(','));
    if (!Take('}')) return std::nullopt;
    return JsonValue(std::move(members));
  }

  std::optional<JsonValue> Array() {
    ++at_;
    JsonValue::Array items;
    if (Take(']')) return JsonValue(std::move(items));
    do {
      std::optional<JsonValue> value = Value();
      if (!value) return std::nullopt;
      items.push_back(std::move(*value));
    } while (Take(','));
    if (!Take(']')) return std::nullopt;
    return JsonValue(std::move(items));
  }

  std::optional<JsonValue> Number() {
    const std::string rest(text_.substr(at_, 64));
    char* end = nullptr;
    const double value = std::strtod(rest.c_str(), &end);
    if (end == rest.c_str()) return std::nullopt;
    at_ += static_cast<std::size_t>(end - rest.c_str());
    return JsonValue(value);
  }

  // A string, its escapes resolved, "\uXXXX" as UTF-8 (pairs of surrogates joined).
  std::optional<std::string> String() {
    if (at_ >= text_.size() || text_[at_] != '"') return std::nullopt;
    ++at_;
    std::string out;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return std::nullopt;
      const char escape = text_[at_++];
      switch (escape) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          std::optional<unsigned> code = Hex();
          if (!code) return std::nullopt;
          if (*code >= 0xD800 && *code < 0xDC00 && Word("\\u")) {
            const std::optional<unsigned> low = Hex();
            if (!low) return std::nullopt;
            *code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
          }
          out += platform::host::ToUtf8(std::wstring(1, static_cast<wchar_t>(*code)));
          break;
        }
        default: out += escape; break;
      }
    }
    return std::nullopt;
  }

  std::optional<unsigned> Hex() {
    if (at_ + 4 > text_.size()) return std::nullopt;
    const std::string digits(text_.substr(at_, 4));
    char* end = nullptr;
    const unsigned long code = std::strtoul(digits.c_str(), &end, 16);
    if (end != digits.c_str() + 4) return std::nullopt;
    at_ += 4;
    return static_cast<unsigned>(code);
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](std::string_view name) const {
  static const JsonValue kNothing;
  const auto found = members_.find(name);
  return found != members_.end() ? found->second : kNothing;
}

const JsonValue::Array& JsonValue::Items() const { return items_; }

std::string JsonValue::Text(std::string_view otherwise) const {
  return kind_ == Kind::Text ? text_ : std::string(otherwise);
}

double JsonValue::Number(double otherwise) const { return kind_ == Kind::Number ? number_ : otherwise; }

bool JsonValue::Flag(bool otherwise) const { return kind_ == Kind::Flag ? flag_ : otherwise; }

std::optional<JsonValue> ParseJson(std::string_view text) {
  Reader reader(text);
  std::optional<JsonValue> value = reader.Value();
  if (!value || !reader.AtEnd()) return std::nullopt;
  return value;
}

}  // namespace initap::card
