#include "platform/base/clock.h"

#include <gtest/gtest.h>

#include "platform/base/testing/test_environment.h"

namespace {

TEST(Clock, KnownDayNumbers) {
  EXPECT_EQ(rt::makeDate(1, 1, 1970), 61730);
  EXPECT_EQ(rt::makeDate(9, 29, 2025), 82090);
  EXPECT_EQ(rt::weekday(61730), 4);  // a Thursday
  EXPECT_EQ(rt::weekday(82090), 1);  // a Monday
  const rt::YearMonthDay ymd = rt::splitDate(82090);
  EXPECT_EQ(ymd.year, 2025);
  EXPECT_EQ(ymd.month, 9);
  EXPECT_EQ(ymd.day, 29);
}

TEST(Clock, MonthAndDayRollOver) {
  struct Case {
    int month, day, year;
    int y, m, d;
  };
  const Case cases[] = {
      {13, 1, 2024, 2025, 1, 1},  {0, 15, 2024, 2023, 12, 15}, {2, 30, 2024, 2024, 3, 1},
      {2, 29, 2023, 2023, 3, 1},  {3, 0, 2024, 2024, 2, 29},   {1, 0, 2024, 2023, 12, 31},
      {-11, 1, 2024, 2023, 1, 1}, {25, 1, 2024, 2026, 1, 1},   {12, 32, 1999, 2000, 1, 1},
  };
  for (const Case& c : cases) {
    const rt::YearMonthDay ymd = rt::splitDate(rt::makeDate(c.month, c.day, c.year));
    EXPECT_EQ(ymd.year, c.y) << c.month << "/" << c.day << "/" << c.year;
    EXPECT_EQ(ymd.month, c.m) << c.month << "/" << c.day << "/" << c.year;
    EXPECT_EQ(ymd.day, c.d) << c.month << "/" << c.day << "/" << c.year;
  }
}

TEST(Clock, SplitAndMakeAgreeOverCenturies) {
  for (rt::Date d = 4; d < 120000; d += 37) {
    const rt::YearMonthDay ymd = rt::splitDate(d);
    ASSERT_EQ(rt::makeDate(ymd.month, ymd.day, ymd.year), d);
  }
}

TEST(Clock, TwoDigitYearsFallInTheWindowAroundToday) {
  // The test clock stands in 2025: 80 years back, 19 ahead.
  EXPECT_EQ(rt::expandTwoDigitYear(44), 2044);
  EXPECT_EQ(rt::expandTwoDigitYear(45), 1945);
  EXPECT_EQ(rt::expandTwoDigitYear(25), 2025);
  EXPECT_EQ(rt::splitDate(rt::makeDate(3, 1, 99)).year, 1999);
}

TEST(Clock, TimesAndTheFixedClock) {
  EXPECT_EQ(rt::makeTime(0, 0), 1);
  EXPECT_EQ(rt::makeTime(0, 1), 6001);
  EXPECT_EQ(rt::makeTime(23, 59, 59, 99), rt::kTicksPerDay);
  EXPECT_EQ(rt::today(), rt::testing::kTestDate);
  EXPECT_EQ(rt::clockTime(), rt::makeTime(10, 30));
  rt::setFixedClock(61730, 1);
  EXPECT_EQ(rt::today(), 61730);
  rt::setFixedClock(rt::testing::kTestDate, rt::testing::kTestTime);
}

}  // namespace
