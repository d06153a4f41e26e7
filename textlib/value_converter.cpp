#include "textlib/value_converter.h"

#include <cmath>

#include "platform/base/clock.h"
#include "textlib/value_text.h"

namespace textlib {
namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMillisecondsPerDay = 86400000.0;
constexpr double kAutomaticMillisecondsFrom = 2147483647.0;

bool inMilliseconds(int unit, double timestamp) {
  if (unit == unix_unit::Milliseconds) return true;
  if (unit == unix_unit::Seconds) return false;
  return timestamp >= kAutomaticMillisecondsFrom;
}

// The Monday that starts ISO week 1 of a year: the first Monday on or after
// 29 December of the year before.
rt::Date firstMondayOfIsoYear(int year) {
  rt::Date day = rt::makeDate(12, 29, year - 1);
  while (rt::weekday(day) != 1) ++day;
  return day;
}

}  // namespace

StringFormatHelper stringFormatHelper;

void ValueConverter::Trace(std::string_view text) { value_text::trace(text); }

std::int32_t ValueConverter::UnixToDate(int unit, double timestamp) {
  double days = 0;
  if (inMilliseconds(unit, timestamp)) {
    days = std::trunc(timestamp / kMillisecondsPerDay);
  } else if (timestamp >= kSecondsPerDay) {
    days = std::trunc(timestamp / kSecondsPerDay);
  }
  return value_text::clampToInt32(days + rt::kDay1970);
}

std::int32_t ValueConverter::UnixToTime(int unit, double timestamp) {
  if (!(timestamp >= 0)) return 0;  // negative, or not a number
  const double time = inMilliseconds(unit, timestamp)
                          ? std::fmod(timestamp, kMillisecondsPerDay) / 10 + 1
                          : std::fmod(timestamp, kSecondsPerDay) * 100 + 1;
  return value_text::clampToInt32(time);
}

double ValueConverter::ToUnixTime(double date, double time, int unit) {
  // A time counts from 1 at midnight; 0 is no time at all.
  const double elapsed = time > 0 ? time - 1 : 0;
  const double days = std::trunc(date) > rt::kDay1970 ? std::trunc(date) - rt::kDay1970 : 0;
  if (unit == unix_unit::Milliseconds) return elapsed * 10 + days * kMillisecondsPerDay;
  return std::trunc(elapsed / 100) + days * kSecondsPerDay;
}

std::int32_t ValueConverter::UtcToday() {
  const rt::UtcDateTime now = rt::utcDateTime();
  return rt::makeDate(now.month, now.day, now.year);
}

std::int32_t ValueConverter::UtcClock() {
  const rt::UtcDateTime now = rt::utcDateTime();
  return now.hour * rt::kTicksPerHour + now.minute * rt::kTicksPerMinute + now.second * 100 + 1;
}

double ValueConverter::UtcNow() {
  const rt::UtcDateTime now = rt::utcDateTime();
  const double days = rt::makeDate(now.month, now.day, now.year) - rt::kDay1970;
  return days * kMillisecondsPerDay + now.hour * 3600000.0 + now.minute * 60000.0 +
         now.second * 1000.0 + now.millisecond;
}

IsoWeekDate isoWeekOfYear(std::int32_t date) {
  IsoWeekDate result;
  if (date < 1 || date > rt::kLastDate) return result;  // no calendar day
  const int year = rt::splitDate(date).year;
  const rt::Date start = firstMondayOfIsoYear(year);
  rt::Date end = rt::makeDate(12, 28, year);
  while (rt::weekday(end) != 0) ++end;
  if (date < start) {
    result.year = year - 1;
    result.week = (date - firstMondayOfIsoYear(year - 1)) / 7 + 1;
  } else if (date > end) {
    result.year = year + 1;
    result.week = 1;
  } else {
    result.year = year;
    result.week = (date - start) / 7 + 1;
  }
  const int day = rt::weekday(date);
  result.weekday = day == 0 ? 7 : day;
  return result;
}

std::int32_t dateOfIsoWeek(std::string_view week, std::int32_t year, std::int32_t weekday) {
  if (week.empty() || year < 1 || year > 9999) return 0;
  std::int64_t number = 0;
  if (week.front() == 'W' || week.front() == 'w') {
    number = value_text::leadingNumber(week.substr(1, 2));
  } else {
    number = value_text::leadingNumber(week);
  }
  if (number > 53) number = 53;
  const std::int64_t day =
      firstMondayOfIsoYear(year) + (number - 1) * 7 + (static_cast<std::int64_t>(weekday) - 1);
  return value_text::clampToInt32(static_cast<double>(day));
}

}  // namespace textlib
