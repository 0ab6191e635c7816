// A receiver's log cut into the reports it gives a second at a time, each
// with the UTC date and time it vouches for.
#pragma once

#include <string_view>
#include <vector>

#include "platform/kernel.h"

namespace platform::host {

// One entry per report, in order: the UTC date and time of a valid fix, or
// year 0. A report ends where a sentence carries another second, or repeats
// a kind of sentence the report already holds. RMC with status A gives the
// date and time; ZDA gives them once a fix was reported (GGA quality above 0
// or RMC status A).
std::vector<SystemTime> ReadNmeaReports(std::string_view log);

// 0 for Sunday, as the device counts.
int DayOfWeek(int year, int month, int day);

}  // namespace platform::host
