#include "platform/base/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace rt {
namespace {

// Days since 1 January 1970 of a proleptic Gregorian date (H. Hinnant).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

YearMonthDay civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

std::atomic<bool> g_fixed{false};
std::atomic<Date> g_fixedDate{0};
std::atomic<Time> g_fixedTime{0};
std::atomic<int> g_fixedMillisecond{-1};

std::tm localNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm;
}

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int month, int year) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

int expandTwoDigitYear(int yy) {
  const int thisYear = splitDate(today()).year;
  int year = thisYear - thisYear % 100 + yy;
  if (year > thisYear + 19) year -= 100;
  if (year < thisYear - 80) year += 100;
  return year;
}

Date makeDate(int month, int day, int year) {
  if (year >= 0 && year < 100) year = expandTwoDigitYear(year);
  // Roll the month into the year first, then count days from the 1st.
  int m0 = month - 1;
  year += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
  m0 = ((m0 % 12) + 12) % 12;
  const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(m0 + 1), 1) + (day - 1);
  const std::int64_t date = days + kDay1970;
  return date < 1 ? 0 : static_cast<Date>(date);
}

YearMonthDay splitDate(Date date) {
  return civilFromDays(static_cast<std::int64_t>(date) - kDay1970);
}

int weekday(Date date) { return ((date % 7) + 7) % 7; }

Time makeTime(int hours, int minutes, int seconds, int hundredths) {
  return hours * kTicksPerHour + minutes * kTicksPerMinute + seconds * 100 + hundredths + 1;
}

Date today() {
  if (g_fixed) return g_fixedDate;
  const std::tm tm = localNow();
  return makeDate(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
}

Time clockTime() {
  if (g_fixed) return g_fixedTime;
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::tm tm = localNow();
  const auto centis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000 / 10;
  return makeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(centis));
}

UtcDateTime utcDateTime() {
  using namespace std::chrono;
  std::time_t seconds = 0;
  int millisecond = 0;
  if (g_fixed) {
    // The fixed moment is a local wall-clock time: let the C library apply
    // the time zone.
    const YearMonthDay ymd = splitDate(g_fixedDate);
    const int ticks = g_fixedTime > 0 ? g_fixedTime - 1 : 0;
    std::tm local{};
    local.tm_year = ymd.year - 1900;
    local.tm_mon = ymd.month - 1;
    local.tm_mday = ymd.day;
    local.tm_hour = ticks / kTicksPerHour;
    local.tm_min = ticks / kTicksPerMinute % 60;
    local.tm_sec = ticks / 100 % 60;
    local.tm_isdst = -1;
    seconds = std::mktime(&local);
    millisecond = g_fixedMillisecond >= 0 ? g_fixedMillisecond % 1000 : ticks % 100 * 10;
  } else {
    const auto now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    seconds = static_cast<std::time_t>(now / 1000);
    millisecond = static_cast<int>(now % 1000);
  }
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
          utc.tm_min,         utc.tm_sec,     millisecond};
}

void setFixedClock(Date date, Time time, int millisecond) {
  g_fixedDate = date;
  g_fixedTime = time;
  g_fixedMillisecond = millisecond;
  g_fixed = true;
}

void clearFixedClock() { g_fixed = false; }

}  // namespace rt
