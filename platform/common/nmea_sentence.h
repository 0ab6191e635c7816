// NMEA 0183 sentences taken out of a receiver's byte stream.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct NmeaSentence {
  std::string talker;               // "GP", "GN", ...; "P" for a maker's own sentence
  std::string type;                 // "RMC", "GGA", ...; the maker's code for one of its own
  std::vector<std::string> fields;  // after the address, up to the checksum
};

// Reads the sentences of a stream one at a time, holding one sentence at
// most: sentences that end in a checksum that matches, in order. Truncated
// sentences, bad checksums, sentences without one, over-long lines, comment
// lines and bytes between sentences are skipped; any mix of line ends is taken.
class NmeaSentenceReader {
 public:
  explicit NmeaSentenceReader(std::istream& in) : in_(in) {}

  // The next sentence; none at the end of the stream.
  std::optional<NmeaSentence> Next();

 private:
  std::istream& in_;
};

}  // namespace platform
