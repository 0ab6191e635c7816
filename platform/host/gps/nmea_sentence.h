// NMEA 0183 sentences taken out of a receiver's byte stream.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::host {

struct NmeaSentence {
  std::string talker;  // "GP", "GN", ...; "P" for a maker's own sentence
  std::string type;    // "RMC", "GGA", ...; the maker's code for one of its own
  std::vector<std::string> fields;  // after the address, up to the checksum
};

// The sentences of a log that end in a checksum that matches, in order.
// Truncated sentences, bad checksums, sentences without one, comment lines
// and bytes between sentences are skipped; any mix of line ends is taken.
std::vector<NmeaSentence> ReadNmeaSentences(std::string_view log);

}  // namespace platform::host
