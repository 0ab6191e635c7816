// A JSON document read whole, such as the report a dry run writes.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace initap::card {

class JsonValue {
 public:
  using Array = std::vector<JsonValue>;
  using Object = std::map<std::string, JsonValue, std::less<>>;

  JsonValue() = default;
  explicit JsonValue(bool flag) : kind_(Kind::Flag), flag_(flag) {}
  explicit JsonValue(double number) : kind_(Kind::Number), number_(number) {}
  explicit JsonValue(std::string text) : kind_(Kind::Text), text_(std::move(text)) {}
  explicit JsonValue(Array items) : kind_(Kind::Array), items_(std::move(items)) {}
  explicit JsonValue(Object members) : kind_(Kind::Object), members_(std::move(members)) {}

  // The member `name` of an object; a null value for anything else.
  const JsonValue& operator[](std::string_view name) const;
  // The members of an array; none for anything else.
  const Array& Items() const;
  // The text of a string, or `otherwise`.
  std::string Text(std::string_view otherwise = {}) const;
  // The value of a number, or `otherwise`.
  double Number(double otherwise = 0) const;
  // The value of true or false, or `otherwise`.
  bool Flag(bool otherwise = false) const;

 private:
  enum class Kind { Null, Flag, Number, Text, Array, Object };
  Kind kind_ = Kind::Null;
  bool flag_ = false;
  double number_ = 0;
  std::string text_;
  Array items_;
  Object members_;
};

// The document in `text`; none when it is no JSON.
std::optional<JsonValue> ParseJson(std::string_view text);

}  // namespace initap::card
