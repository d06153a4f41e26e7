#include "platform/base/age_text.h"

#include <gtest/gtest.h>

namespace {

rt::Date d(int day, int month, int year) { return rt::makeDate(month, day, year); }

TEST(AgeText, UnitsSwitchAtSixtyDaysAndTwentyFourMonths) {
  const rt::Date today = d(10, 12, 2026);
  struct Case {
    rt::Date birth;
    const char* text;
  };
  const Case cases[] = {
      {0, ""},          // no birth date
      {today + 1, ""},  // a date after today
      {today, "0 DAYS"},
      {today - 59, "59 DAYS"},
      {today - 60, "1 MOS"},        // 11 October: one month completed on the 10th
      {d(11, 12, 2024), "23 MOS"},  // a day short of two years
      {d(10, 12, 2024), "2 YRS"},
      {d(11, 12, 1980), "45 YRS"},
      {d(10, 12, 1980), "46 YRS"},
  };
  for (const Case& c : cases) EXPECT_EQ(rt::ageText(c.birth, today, 14), c.text) << c.birth;
}

TEST(AgeText, AMonthCompletesOnTheLastDayOfAShorterMonth) {
  EXPECT_EQ(rt::completedMonths(d(31, 1, 2026), d(28, 2, 2026)), 1);
  EXPECT_EQ(rt::completedMonths(d(31, 1, 2026), d(27, 2, 2026)), 0);
  EXPECT_EQ(rt::completedMonths(d(30, 3, 2026), d(30, 4, 2026)), 1);
  EXPECT_EQ(rt::completedMonths(d(31, 3, 2026), d(30, 4, 2026)), 1);
  // Born on 29 February: a year completes on 28 February of a common year.
  EXPECT_EQ(rt::ageText(d(29, 2, 2020), d(28, 2, 2023), 14), "3 YRS");
  EXPECT_EQ(rt::ageText(d(29, 2, 2020), d(27, 2, 2023), 14), "2 YRS");
  EXPECT_EQ(rt::ageText(d(29, 2, 2024), d(28, 2, 2026), 14), "2 YRS");
  EXPECT_EQ(rt::ageText(d(29, 2, 2024), d(27, 2, 2026), 14), "23 MOS");
}

TEST(AgeText, CutToItsWidth) {
  EXPECT_EQ(rt::ageText(d(1, 1, 1900), d(10, 12, 2026), 5), "126 Y");
  EXPECT_EQ(rt::ageText(d(1, 1, 1900), d(10, 12, 2026), 40), "126 YRS");
}

}  // namespace
