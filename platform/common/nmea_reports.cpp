#include "platform/common/nmea_reports.h"

#include <utility>

namespace platform {

namespace {

struct Clock {
  int hour = 0, minute = 0, second = 0, milliseconds = 0;
  int Key() const { return (hour * 60 + minute) * 60 + second; }
};

// The field that holds the UTC time, for the sentences that carry one.
std::optional<std::size_t> TimeField(const std::string& type) {
  if (type == "RMC" || type == "GGA" || type == "ZDA" || type == "GNS" || type == "GST" || type == "GBS" ||
      type == "GRS") {
    return 0;
  }
  if (type == "GLL") return 4;
  return std::nullopt;
}

bool Digits(std::string_view text, std::size_t from, std::size_t count, int& value) {
  if (text.size() < from + count) return false;
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// "hhmmss" with an optional fraction of a second.
std::optional<Clock> ParseTime(std::string_view text) {
  Clock clock;
  if (!Digits(text, 0, 2, clock.hour) || !Digits(text, 2, 2, clock.minute) || !Digits(text, 4, 2, clock.second)) {
    return std::nullopt;
  }
  if (clock.hour > 23 || clock.minute > 59 || clock.second > 60) return std::nullopt;
  if (text.size() > 6) {
    if (text[6] != '.') return std::nullopt;
    int scale = 100;
    for (std::size_t i = 7; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      clock.milliseconds += (text[i] - '0') * scale;
      scale /= 10;
    }
  }
  return clock;
}

// Days since 1970-01-01 by the civil-calendar count.
long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const int yearOfEra = year - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<long>(era) * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long days, int& year, int& month, int& day) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long dayOfEra = days - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long shiftedMonth = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr long kRolloverDays = 1024 * 7;

// A date more than 1024 weeks before the driver's pivot, moved 1024 weeks on.
void CorrectWeekRollover(int& year, int& month, int& day) {
  const long days = DaysFromCivil(year, month, day);
  if (days < DaysFromCivil(DriverPivot::kYear, DriverPivot::kMonth, DriverPivot::kDay) - kRolloverDays) {
    CivilFromDays(days + kRolloverDays, year, month, day);
  }
}

bool LeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool ValidDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  return day <= kDays[month - 1] + (month == 2 && LeapYear(year) ? 1 : 0);
}

std::optional<SystemTime> Stamp(int year, int month, int day, const Clock& clock) {
  if (!ValidDate(year, month, day)) return std::nullopt;
  CorrectWeekRollover(year, month, day);
  SystemTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.dayOfWeek = static_cast<std::uint16_t>(DayOfWeek(year, month, day));
  t.hour = static_cast<std::uint16_t>(clock.hour);
  t.minute = static_cast<std::uint16_t>(clock.minute);
  t.second = static_cast<std::uint16_t>(clock.second);
  t.milliseconds = static_cast<std::uint16_t>(clock.milliseconds);
  return t;
}

const std::string& Field(const NmeaSentence& sentence, std::size_t index) {
  static const std::string kEmpty;
  return index < sentence.fields.size() ? sentence.fields[index] : kEmpty;
}

// RMC: time, status, ..., date "ddmmyy" in field 8; two-digit years from 1980 on.
std::optional<SystemTime> RmcTime(const NmeaSentence& rmc) {
  const auto clock = ParseTime(Field(rmc, 0));
  const std::string& date = Field(rmc, 8);
  int day = 0, month = 0, year = 0;
  if (!clock || date.size() != 6 || !Digits(date, 0, 2, day) || !Digits(date, 2, 2, month) ||
      !Digits(date, 4, 2, year)) {
    return std::nullopt;
  }
  return Stamp(year + (year >= 80 ? 1900 : 2000), month, day, *clock);
}

// ZDA: time, day, month, four-digit year.
std::optional<SystemTime> ZdaTime(const NmeaSentence& zda) {
  const auto clock = ParseTime(Field(zda, 0));
  int day = 0, month = 0, year = 0;
  if (!clock || Field(zda, 1).size() != 2 || !Digits(Field(zda, 1), 0, 2, day) || Field(zda, 2).size() != 2 ||
      !Digits(Field(zda, 2), 0, 2, month) || Field(zda, 3).size() != 4 || !Digits(Field(zda, 3), 0, 4, year)) {
    return std::nullopt;
  }
  return Stamp(year, month, day, *clock);
}

}  // namespace

int DayOfWeek(int year, int month, int day) {
  return static_cast<int>(((DaysFromCivil(year, month, day) % 7) + 11) % 7);
}

std::optional<SystemTime> NmeaReportReader::Next() {
  bool open = false;            // a report has begun
  int second = -1;              // the second it speaks of, once a sentence gave one
  std::set<std::string> kinds;  // the timed sentences it holds
  SystemTime utc;               // its UTC from a valid fix, or year 0

  for (;;) {
    std::optional<NmeaSentence> sentence = std::move(pending_);
    pending_.reset();
    if (!sentence) sentence = sentences_.Next();
    if (!sentence) break;
    if (const auto field = sentence->talker != "P" ? TimeField(sentence->type) : std::nullopt) {
      const auto clock = ParseTime(Field(*sentence, *field));
      const bool otherSecond = clock && second >= 0 && clock->Key() != second;
      if (open && (otherSecond || kinds.count(sentence->type) != 0)) {
        pending_ = std::move(sentence);
        return utc;
      }
      if (clock && second < 0) second = clock->Key();
      kinds.insert(sentence->type);
    }
    open = true;

    std::optional<SystemTime> time;
    if (sentence->type == "RMC" && Field(*sentence, 1) == "A" && Field(*sentence, 11) != "N") {
      fixSeen_ = true;
      time = RmcTime(*sentence);
    } else if (int quality = 0; sentence->type == "GGA" &&
                                Digits(Field(*sentence, 5), 0, Field(*sentence, 5).size(), quality) && quality > 0) {
      fixSeen_ = true;
    } else if (sentence->type == "ZDA" && fixSeen_) {
      time = ZdaTime(*sentence);
    }
    if (time) utc = *time;
  }
  if (open) return utc;
  return std::nullopt;
}

}  // namespace platform
