// Receiver sentences for the GPS log of a test device.
#pragma once

#include <string>
#include <string_view>

namespace initap::test {

// "$" BODY "*" and its two-digit checksum, as a receiver sends it.
std::string NmeaSentence(std::string_view body);

}  // namespace initap::test
