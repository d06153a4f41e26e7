#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "textlib/value_parser.h"

namespace textlib {
namespace {

double day(int month, int dayOfMonth, int year) { return rt::makeDate(month, dayOfMonth, year); }

struct DateCase {
  std::string text;
  std::string picture;
  double expected;
};
void PrintTo(const DateCase& c, std::ostream* os) { *os << "'" << c.text << "' " << c.picture; }

// The test clock stands on 29 September 2025, so two-digit years fall in
// 1945 to 2044. (The expected dates are built before the clock is set.)
class DeformatDate : public ::testing::TestWithParam<DateCase> {};
TEST_P(DeformatDate, ReadsTypedDates) {
  ValueParser parser;
  EXPECT_EQ(parser.DeformatDate(GetParam().text, GetParam().picture), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Separated, DeformatDate,
                         ::testing::Values(DateCase{"", "@D6", 0}, DateCase{"   ", "@D6", 0},
                                           DateCase{"january", "@D6", 0},
                                           DateCase{"15/01/2024", "@D6", day(1, 15, 2024)},
                                           DateCase{"01/02/2024", "@D6", day(2, 1, 2024)},
                                           DateCase{"01/02/2024", "@D2", day(1, 2, 2024)},
                                           DateCase{"13/01/24", "@D2", day(1, 13, 2024)},
                                           DateCase{"12/05/2024", "@D2", day(12, 5, 2024)},
                                           DateCase{"12/05/2024", "@D6", day(5, 12, 2024)},
                                           DateCase{"25/12/2024", "@D2", day(12, 25, 2024)},
                                           DateCase{"25/12/2024", "@D6", day(12, 25, 2024)},
                                           DateCase{"2024.03.07", "@D10", day(3, 7, 2024)},
                                           DateCase{"03-07-24", "@D10", day(7, 24, 2003)},
                                           DateCase{"05/2024", "@D6", day(5, 1, 2024)},
                                           DateCase{"2024/13", "@D6", day(1, 1, 2025)},
                                           DateCase{"03/07", "@D6", day(7, 3, 2025)},
                                           DateCase{"03/07", "@D2", day(3, 7, 2025)},
                                           DateCase{"2024-01-15T10:30:00", "@D10",
                                                    day(1, 15, 2024)},
                                           DateCase{"2024-01-15 T 10:30", "@D10", day(1, 15, 2024)},
                                           DateCase{"15/01/2024", "@D6U", 1705276800.0},
                                           DateCase{"15/01/2024", "@D6UM", 1705276800000.0},
                                           DateCase{"1/2/3/4", "@D6", day(2, 1, 2003)}));
INSTANTIATE_TEST_SUITE_P(MonthWords, DeformatDate,
                         ::testing::Values(DateCase{"jan 2024", "@D6", day(1, 1, 2024)},
                                           DateCase{"15 jan 2024", "@D6", day(1, 15, 2024)},
                                           DateCase{"jan 15 2024", "@D6", day(1, 15, 2024)},
                                           DateCase{"2024 jan 15", "@D6", day(1, 15, 2024)},
                                           DateCase{"15jan2024", "@D6", day(1, 15, 2024)},
                                           DateCase{"jan 15 24", "@D6", day(1, 15, 2024)},
                                           DateCase{"15 MARÇO 2024"_cp, "@D6", day(3, 15, 2024)},
                                           DateCase{"15 märz 2024"_cp, "@D6", day(3, 15, 2024)},
                                           DateCase{"15-fev-2024", "@D6", day(2, 15, 2024)},
                                           DateCase{"3 Okt 2024", "@D6", day(10, 3, 2024)},
                                           DateCase{"dic 24 2024", "@D6", day(12, 24, 2024)},
                                           DateCase{"saturday 15", "@D6", day(9, 15, 2025)},
                                           DateCase{"may 3", "@D6", day(5, 3, 2025)}));
INSTANTIATE_TEST_SUITE_P(OnePartAndWeeks, DeformatDate,
                         ::testing::Values(DateCase{"15", "@D6", day(9, 15, 2025)},
                                           DateCase{"45", "@D6", day(1, 1, 1945)},
                                           DateCase{"100", "@D6", day(4, 10, 2025)},
                                           DateCase{"366", "@D6", day(12, 31, 2025)},
                                           DateCase{"1500", "@D6", 1500},
                                           DateCase{"1900", "@D6", day(1, 1, 1900)},
                                           DateCase{"2101", "@D6", 2101},
                                           DateCase{"99998", "@D6", 99998},
                                           DateCase{"20240115", "@D12", day(1, 15, 2024)},
                                           DateCase{"240115", "@D11", day(1, 15, 2024)},
                                           DateCase{"20240115", "@D12!", day(1, 15, 2024)},
                                           DateCase{"15012024", "@D6!", day(1, 15, 2020)},
                                           DateCase{"150124", "@D6!", day(1, 15, 2024)},
                                           DateCase{"2024 W05", "@D6", day(1, 29, 2024)},
                                           DateCase{"2024 W05 3", "@D6", day(1, 31, 2024)},
                                           DateCase{"W05 2024", "@D6", day(1, 27, 2025)},
                                           DateCase{"2024-w5", "@D6", day(1, 29, 2024)}));

TEST(DeformatDateLimits, OverlongPartsAndValuesStaySound) {
  ValueParser parser;
  // A part keeps at most twenty characters.
  EXPECT_EQ(parser.DeformatDate(std::string(40, '9'), "@D6"), 99999999999999999999.0);
  EXPECT_EQ(parser.DeformatDate("99999999999 99999999999 99999999999", "@D6"), day(1, 1, 1000000));
}

// A Monday, so "next monday" and "last monday" are a week away.
class RelativeDates : public ::testing::TestWithParam<DateCase> {
 protected:
  void SetUp() override {
    savedDate_ = rt::today();
    savedTime_ = rt::clockTime();
    rt::setFixedClock(rt::makeDate(3, 10, 2025), rt::makeTime(9, 0));
  }
  void TearDown() override { rt::setFixedClock(savedDate_, savedTime_); }

 private:
  rt::Date savedDate_ = 0;
  rt::Time savedTime_ = 0;
};
TEST_P(RelativeDates, CountFromToday) {
  ValueParser parser;
  EXPECT_EQ(parser.DeformatDate(GetParam().text, GetParam().picture), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RelativeDates,
    ::testing::Values(
        DateCase{"today", "@D6", day(3, 10, 2025)}, DateCase{"T", "@D6", day(3, 10, 2025)},
        DateCase{"today+3", "@D6", day(3, 13, 2025)}, DateCase{"today-10", "@D6", day(2, 28, 2025)},
        DateCase{"today + 3", "@D6", day(3, 1, 2025)}, DateCase{"tm", "@D6", day(3, 11, 2025)},
        DateCase{"Tomorrow", "@D6", day(3, 11, 2025)}, DateCase{"yd", "@D6", day(3, 9, 2025)},
        DateCase{"next day", "@D6", day(3, 11, 2025)},
        DateCase{"next week", "@D6", day(3, 17, 2025)}, DateCase{"last w", "@D6", day(3, 3, 2025)},
        DateCase{"next month", "@D6", day(4, 1, 2025)},
        DateCase{"last month", "@D6", day(2, 1, 2025)},
        DateCase{"next quarter", "@D6", day(4, 1, 2025)},
        DateCase{"last quarter", "@D6", day(10, 1, 2024)}, DateCase{"nx y", "@D6", day(1, 1, 2026)},
        DateCase{"ls year", "@D6", day(1, 1, 2024)},
        DateCase{"next monday", "@D6", day(3, 17, 2025)},
        DateCase{"Next Wed", "@D6", day(3, 12, 2025)},
        DateCase{"last monday", "@D6", day(3, 3, 2025)},
        DateCase{"previous friday", "@D6", day(3, 7, 2025)},
        DateCase{"pv sun", "@D6", day(3, 9, 2025)}, DateCase{"W05", "@D6", day(1, 27, 2025)},
        DateCase{"week 5", "@D6", day(1, 27, 2025)}, DateCase{"u 1", "@D6", day(12, 30, 2024)},
        DateCase{"today", "@D6U", 1741564800.0}));

// A parser for Spanish speakers answers the English words in Spanish.
class SpanishParser : public ValueParser {
 public:
  std::string Translate(std::string_view word) override {
    static const std::map<std::string_view, std::string> words = {
        {"today", "hoy"}, {"next", "proximo"}, {"monday", "lunes"}, {"january", "eneroo"}};
    const auto found = words.find(word);
    return found == words.end() ? std::string(word) : found->second;
  }
};

TEST_F(RelativeDates, WordsPassThroughTranslate) {
  SpanishParser parser;
  EXPECT_EQ(parser.DeformatDate("Hoy", "@D6"), day(3, 10, 2025));
  EXPECT_EQ(parser.DeformatDate("proximo lunes", "@D6"), day(3, 17, 2025));
  EXPECT_EQ(parser.DeformatDate("today", "@D6"), 0);
  EXPECT_EQ(parser.DeformatDate("15 eneroo 2024", "@D6"), day(1, 15, 2024));
}

}  // namespace
}  // namespace textlib
