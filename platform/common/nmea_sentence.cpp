#include "platform/common/nmea_sentence.h"

namespace platform {

namespace {

// Longer than any sentence a receiver sends: the NMEA limit is 82 characters.
constexpr std::size_t kMaxSentence = 256;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "$" body "*" two hex digits, the body printable and its XOR the checksum.
bool Checked(std::string_view text, std::string_view& body) {
  const std::size_t star = text.rfind('*');
  if (star == std::string_view::npos || star + 3 != text.size()) return false;
  const int high = HexValue(text[star + 1]);
  const int low = HexValue(text[star + 2]);
  if (high < 0 || low < 0) return false;
  unsigned sum = 0;
  for (std::size_t i = 1; i < star; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c > 0x7E || c == '$' || c == '*') return false;
    sum ^= c;
  }
  if (sum != static_cast<unsigned>(high * 16 + low)) return false;
  body = text.substr(1, star - 1);
  return true;
}

NmeaSentence Split(std::string_view body) {
  NmeaSentence sentence;
  std::size_t start = 0;
  bool address = true;
  for (;;) {
    const std::size_t comma = body.find(',', start);
    const std::string_view field = body.substr(start, comma == std::string_view::npos ? comma : comma - start);
    if (address) {
      const bool own = field.starts_with('P');
      sentence.talker = std::string(field.substr(0, own ? 1 : 2));
      sentence.type = std::string(field.substr(sentence.talker.size()));
      address = false;
    } else {
      sentence.fields.emplace_back(field);
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return sentence;
}

}  // namespace

std::optional<NmeaSentence> NmeaSentenceReader::Next() {
  using Traits = std::istream::traits_type;
  std::streambuf& bytes = *in_.rdbuf();
  std::string text;  // the sentence being read, from its "$"
  bool inSentence = false;
  for (;;) {
    const int c = bytes.sgetc();
    // A sentence ends at a line end; a "$" before one starts the next and cuts this one short.
    if (inSentence && (c == Traits::eof() || c == '\r' || c == '\n' || c == '$')) {
      inSentence = false;
      std::string_view body;
      if (Checked(text, body) && !body.empty()) return Split(body);
    }
    if (c == Traits::eof()) return std::nullopt;
    bytes.sbumpc();
    if (c == '$') {
      inSentence = true;
      text.assign(1, '$');
    } else if (inSentence && text.size() < kMaxSentence) {
      text += static_cast<char>(c);
    } else {
      inSentence = false;  // noise between sentences, or a line no receiver sends
    }
  }
}

}  // namespace platform
