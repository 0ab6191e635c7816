// A receiver's log cut into the reports it gives a second at a time, each
// with the UTC date and time it vouches for.
#pragma once

#include <istream>
#include <optional>
#include <set>
#include <string>

#include "platform/common/nmea_sentence.h"
#include "platform/kernel.h"

namespace platform {

// The driver's build date. A receiver with the GPS week-rollover fault
// reports a date 1024 weeks early; a date more than 1024 weeks before this
// one (before 2004-05-17) is taken as such and moved 1024 weeks on.
struct DriverPivot {
  static constexpr int kYear = 2024, kMonth = 1, kDay = 1;
};

// Reads a log report by report, holding one sentence of the next report at
// most. Each report is the UTC date and time of a valid fix, or year 0. A
// report ends where a sentence carries another second, or repeats a kind of
// sentence the report already holds. RMC with status A, and a mode other
// than N (data not valid) when it gives one, gives the date and time; ZDA
// gives them once a fix was reported (GGA quality above 0 or such an RMC).
class NmeaReportReader {
 public:
  explicit NmeaReportReader(std::istream& log) : sentences_(log) {}

  // The next report; none at the end of the log.
  std::optional<SystemTime> Next();

 private:
  NmeaSentenceReader sentences_;
  std::optional<NmeaSentence> pending_;  // read, and the first of the next report
  bool fixSeen_ = false;
};

// 0 for Sunday, as the device counts.
int DayOfWeek(int year, int month, int day);

}  // namespace platform
