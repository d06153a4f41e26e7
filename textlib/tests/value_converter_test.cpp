#include "textlib/value_converter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/debug_sink.h"
#include "platform/base/testing/fixed_clock.h"
#include "platform/base/testing/test_environment.h"

namespace textlib {
namespace {

using rt::makeDate;
using rt::makeTime;

TEST(ValueConverter, UnixToDate) {
  struct Case {
    int unit;
    double timestamp;
    std::int32_t date;
  };
  const Case cases[] = {
      {unix_unit::Automatic, 0, 61730},
      {unix_unit::Automatic, 86399, 61730},
      {unix_unit::Automatic, 86400, 61731},
      {unix_unit::Automatic, -500000, 61730},
      {unix_unit::Automatic, 1700000000, 81405},
      {unix_unit::Automatic, 1700000000000, 81405},
      {unix_unit::Seconds, 2147483647, 61730 + 24855},
      {unix_unit::Automatic, 2147483647, 61730 + 24},
      {unix_unit::Milliseconds, 86399999, 61730},
      {unix_unit::Milliseconds, 1700000000000, 81405},
      {unix_unit::Seconds, 1e300, std::numeric_limits<std::int32_t>::max()},
  };
  ValueConverter converter;
  for (const Case& c : cases) {
    EXPECT_EQ(converter.UnixToDate(c.unit, c.timestamp), c.date) << c.unit << " " << c.timestamp;
  }
}

TEST(ValueConverter, UnixToTime) {
  struct Case {
    int unit;
    double timestamp;
    std::int32_t time;
  };
  const Case cases[] = {
      {unix_unit::Automatic, 3600, 360001},
      {unix_unit::Automatic, -1, 0},
      {unix_unit::Milliseconds, 3600005, 360001},
      {unix_unit::Seconds, 86400 * 3 + 1.5, 151},
      {unix_unit::Automatic, 1700000000, makeTime(22, 13, 20)},
      {unix_unit::Automatic, 1700000000123, makeTime(22, 13, 20, 12)},
      {unix_unit::Seconds, std::nan(""), 0},
      {unix_unit::Seconds, HUGE_VAL, 0},
  };
  ValueConverter converter;
  for (const Case& c : cases) {
    EXPECT_EQ(converter.UnixToTime(c.unit, c.timestamp), c.time) << c.unit << " " << c.timestamp;
  }
}

TEST(ValueConverter, ToUnixTimeAndBack) {
  ValueConverter converter;
  EXPECT_EQ(converter.ToUnixTime(81405, 0, unix_unit::Seconds), 1699920000.0);
  EXPECT_EQ(converter.ToUnixTime(81405, 0, unix_unit::Milliseconds), 1699920000000.0);
  EXPECT_EQ(converter.ToUnixTime(61000, 0, unix_unit::Seconds), 0.0);
  EXPECT_EQ(converter.ToUnixTime(61730, makeTime(0, 0, 1), unix_unit::Seconds), 1.0);
  // A time counts from 1 at midnight: the round trip keeps date and time.
  const double stamp = converter.ToUnixTime(81405, makeTime(1, 2, 3, 45), unix_unit::Milliseconds);
  EXPECT_EQ(stamp, 1699920000000.0 + 3723450);
  EXPECT_EQ(converter.UnixToDate(unix_unit::Milliseconds, stamp), 81405);
  EXPECT_EQ(converter.UnixToTime(unix_unit::Milliseconds, stamp), makeTime(1, 2, 3, 45));
  EXPECT_EQ(converter.ToUnixTime(81405, makeTime(1, 2, 3, 99), unix_unit::Seconds),
            1699920000.0 + 3723);
}

TEST(ValueConverter, UtcReadingsFollowTheFixedClock) {
  rt::testing::FixedClock fixed(82090, makeTime(10, 0, 0, 99), 999);
  ValueConverter converter;
  EXPECT_EQ(converter.UtcClock(), 3600001);
  EXPECT_EQ(converter.UtcToday(), 82090);
  EXPECT_EQ(converter.UtcNow(), (82090.0 - 61730) * 86400000 + 36000999);

  // Without a millisecond the fixed time's hundredths give it.
  rt::setFixedClock(82090, makeTime(23, 59, 59, 50));
  EXPECT_EQ(converter.UtcNow(), (82090.0 - 61730) * 86400000 + 86399500);
}

TEST(ValueConverter, FixedLocalClockIsConvertedToUtc) {
  ValueConverter converter;
  setenv("TZ", "EST5", 1);  // five hours behind UTC, no daylight saving
  tzset();
  rt::testing::FixedClock fixed(82090, makeTime(21, 30, 0));
  const std::int32_t today = converter.UtcToday();
  const std::int32_t clock = converter.UtcClock();
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(today, 82091);
  EXPECT_EQ(clock, makeTime(2, 30, 0));
}

TEST(ValueConverter, SystemClockInUtc) {
  rt::testing::FixedClock fixed(rt::testing::kTestDate, rt::testing::kTestTime);
  rt::clearFixedClock();
  ValueConverter converter;
  const double before = static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count());
  const double now = converter.UtcNow();
  EXPECT_GE(now, before);
  EXPECT_LT(now - before, 60000.0);
  EXPECT_EQ(converter.UnixToDate(unix_unit::Milliseconds, now) - converter.UtcToday(), 0);
}

TEST(ValueConverter, TraceLine) {
  rt::DebugCapture capture;
  ValueConverter converter;
  converter.Trace("UnixToDate: 5   ");
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0], "[tb] UnixToDate: 5");
}

TEST(IsoWeeks, WeekDatesOfKnownDays) {
  struct Case {
    rt::Date date;
    IsoWeekDate week;
  };
  const Case cases[] = {
      {makeDate(1, 1, 2021), {2020, 53, 5}},  {makeDate(12, 31, 2024), {2025, 1, 2}},
      {makeDate(12, 29, 2025), {2026, 1, 1}}, {makeDate(12, 28, 2025), {2025, 52, 7}},
      {makeDate(1, 3, 2010), {2009, 53, 7}},  {makeDate(1, 4, 2010), {2010, 1, 1}},
      {makeDate(6, 15, 2022), {2022, 24, 3}}, {0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const IsoWeekDate w = isoWeekOfYear(c.date);
    EXPECT_EQ(w.year, c.week.year) << c.date;
    EXPECT_EQ(w.week, c.week.week) << c.date;
    EXPECT_EQ(w.weekday, c.week.weekday) << c.date;
  }
}

TEST(IsoWeeks, DateOfWeek) {
  EXPECT_EQ(dateOfIsoWeek("W01", 2025, 2), makeDate(12, 31, 2024));
  EXPECT_EQ(dateOfIsoWeek("w1", 2025, 1), makeDate(12, 30, 2024));
  EXPECT_EQ(dateOfIsoWeek("53", 2020, 5), makeDate(1, 1, 2021));
  EXPECT_EQ(dateOfIsoWeek("W60", 2020, 1), dateOfIsoWeek("W53", 2020, 1));
  EXPECT_EQ(dateOfIsoWeek("", 2025, 1), 0);
  EXPECT_EQ(dateOfIsoWeek("W05", 0, 1), 0);
}

TEST(IsoWeeks, WeekDateLeadsBackToItsDay) {
  for (rt::Date d = makeDate(12, 20, 1999); d < makeDate(1, 10, 2031); ++d) {
    const IsoWeekDate w = isoWeekOfYear(d);
    ASSERT_GE(w.week, 1);
    ASSERT_LE(w.week, 53);
    ASSERT_EQ(dateOfIsoWeek("W" + std::to_string(w.week), w.year, w.weekday), d) << d;
  }
}

}  // namespace
}  // namespace textlib
