#include "tests/support/nmea_sentence.h"

#include <cstdio>

namespace initap::test {

std::string NmeaSentence(std::string_view body) {
  unsigned checksum = 0;
  for (const char c : body) checksum ^= static_cast<unsigned char>(c);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", checksum);
  return "$" + std::string(body) + "*" + digits + "\r\n";
}

}  // namespace initap::test
