#pragma once
// Day numbers and times of the runtime, and the one clock they are read from.
//   A date is a day number: 61,730 is 1 January 1970; weekday = day % 7, 0 = Sunday.
//   A time is hundredths of a second since midnight plus one; 0 means no time.
#include <cstdint>

namespace rt {

using Date = std::int32_t;
using Time = std::int32_t;

constexpr Date kDay1970 = 61730;
constexpr Date kLastDate = 2994626;  // 31 December 9999, the last day shown or read
constexpr Time kTicksPerMinute = 6000;
constexpr Time kTicksPerHour = 360000;
constexpr Time kTicksPerDay = 8640000;

struct YearMonthDay {
  int year;
  int month;  // 1..12
  int day;    // 1..31
};

// The runtime's DATE(month, day, year): a month outside 1..12 rolls into the
// neighbouring years and a day outside the month into the neighbouring months
// (day 0 is the last day of the month before). Years below 100 are read in the
// window of the previous 80 and next 19 years from today. 0 for dates before
// the runtime's first day.
Date makeDate(int month, int day, int year);
YearMonthDay splitDate(Date date);
int weekday(Date date);  // 0 = Sunday
bool isLeapYear(int year);
int daysInMonth(int month, int year);

// hh:mm:ss.cc to a runtime time (midnight is 1).
Time makeTime(int hours, int minutes, int seconds = 0, int hundredths = 0);

// Two-digit years: the year in [this year - 80, this year + 19] that ends in them.
int expandTwoDigitYear(int yy);

// Today and the time of day, from the system clock in local time unless a
// test has fixed them.
Date today();
Time clockTime();

// The current moment in UTC, to the millisecond. A fixed clock is read as
// local time and converted.
struct UtcDateTime {
  int year;
  int month;        // 1..12
  int day;          // 1..31
  int hour;         // 0..23
  int minute;       // 0..59
  int second;       // 0..59
  int millisecond;  // 0..999
};
UtcDateTime utcDateTime();

// Fixes the clock at a day and time until clearFixedClock(); tests only.
// `millisecond` (0..999) is the millisecond of the second that UTC readings
// give; -1 takes it from the time's hundredths.
void setFixedClock(Date date, Time time, int millisecond = -1);
void clearFixedClock();

}  // namespace rt
