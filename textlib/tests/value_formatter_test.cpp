#include "textlib/value_formatter.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/clock.h"
#include "platform/base/picture.h"
#include "platform/base/testing/picture_conformance.h"

namespace textlib {
namespace {

std::string trimmedText(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string format(std::string_view value, std::string_view picture, int options = 0) {
  ValueFormatter formatter;
  return formatter.FormatValue(value, picture, false, options);
}

std::string num(double n) { return std::to_string(static_cast<long long>(n)); }

// The shared picture table, for every picture this class hands to the engine
// unchanged or shows the same way. The class trims the engine's padding (not
// that of patterns); it lays out the time layouts 1 to 6 itself, and a time
// of 0 is midnight counted from zero here, so those rows are its own.
TEST(ValueFormatterConformance, ShowsWhatTheEngineShows) {
  int checked = 0;
  for (const rt::testing::PictureCase& c : rt::testing::kPictureCases) {
    const std::string_view pic = c.picture;
    const char kind = pic.size() > 1 && pic[0] == '@' ? static_cast<char>(pic[1] | 0x20) : 0;
    if (kind == 't') {
      const rt::Picture p = rt::parsePicture(pic);
      if (p.layout < 7 || (c.value == "0" && !p.blankWhenZero)) continue;
    }
    const bool untrimmed = kind == 'p' || kind == 'k';
    const std::string expected = untrimmed ? std::string(c.text) : trimmedText(c.text);
    EXPECT_EQ(format(c.value, pic), expected) << pic << " with " << c.value;
    ++checked;
  }
  EXPECT_GT(checked, 90);
}

struct Case {
  std::string picture;
  std::string value;
  std::string expected;
  int options = 0;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.picture << " with " << c.value; }

class FormatValueCases : public ::testing::TestWithParam<Case> {};
TEST_P(FormatValueCases, Formats) {
  const Case& c = GetParam();
  EXPECT_EQ(format(c.value, c.picture, c.options), c.expected);
}

const double kJan15of2025 = rt::makeDate(1, 15, 2025);
const double kJan1of2021 = rt::makeDate(1, 1, 2021);
const double kDec31of2024 = rt::makeDate(12, 31, 2024);
constexpr double k100507 = 10 * 360000 + 5 * 6000 + 7 * 100 + 1;       // 10:05:07
constexpr double k150507half = 15 * 360000 + 5 * 6000 + 7 * 100 + 51;  // 15:05:07.50

INSTANTIATE_TEST_SUITE_P(
    Times, FormatValueCases,
    ::testing::Values(Case{"@T4", num(k100507), "10:05:07"}, Case{"@T1", num(k100507), "10:05"},
                      Case{"@T2", num(k100507), "1005"}, Case{"@T3", num(k100507), "10:05 am"},
                      Case{"@T5", num(k100507), "100507"}, Case{"@T6", num(k100507), "10:05:07 am"},
                      Case{"@T3", "5400001", "3:00 pm"}, Case{"@T03", "5400001", "03:00 pm"},
                      Case{"@T3", "4500001", "12:30 pm"}, Case{"@T3", "1", "0:00 am"},
                      Case{"@T91", num(k150507half), "15:05:07:50"},
                      Case{"@T92", num(k150507half), "3:05:07:50 pm"},
                      Case{"@T93", num(k150507half), "15:05:07.500"},
                      Case{"@T94-", num(k150507half), "3-05-07.500 pm"},
                      Case{"@T4.", num(k100507), "10.05.07"},
                      Case{"@T1@N03@", num(k100507), "010:05"}, Case{"@T1B", "0", ""},
                      Case{"@T4", "0", "0:00:00"}, Case{"@T7", "0", "00:00"},
                      Case{"@T04", "90000001", "##:##:##"}, Case{"@T4Z", "360100", "1:00:01"},
                      Case{"@T4", "360101", "1:00:01"}, Case{"@T9", num(k100507), ""},
                      Case{"@T4L", "0", "10:30:00"},
                      // Unix timestamps: seconds, and milliseconds read as milliseconds.
                      Case{"@T4U", "1700000000", "22:13:20"},
                      Case{"@T93M", "1700000000123", "22:13:20.123"},
                      Case{"@T4M", "1700000000000", "22:13:20"}));

INSTANTIATE_TEST_SUITE_P(Dates, FormatValueCases,
                         ::testing::Values(Case{"@D6", "0", ""}, Case{"@D6B", "0", ""},
                                           Case{"@D3", "0", ""}, Case{"@D8", "0", ""},
                                           Case{"@D06", "0", ""}, Case{"@D6L", "0", "29/09/2025"},
                                           Case{"@D6U", "1700000000", "14/11/2023"},
                                           Case{"@D6UM", "1700000000000", "14/11/2023"},
                                           Case{"@D91", num(kJan1of2021), "2020/W53"},
                                           Case{"@D91-", num(kJan15of2025), "2025-W03"},
                                           Case{"@D92", num(kJan15of2025), "W03/2025"},
                                           Case{"@D93.", num(kDec31of2024), "2025.W01.2"},
                                           Case{"@D91!", num(kJan1of2021), "2020W53"},
                                           Case{"@D91", "0", ""}, Case{"@D92", "99999999", ""},
                                           Case{"@D10!", num(kJan15of2025), "20250115"}));

INSTANTIATE_TEST_SUITE_P(
    Others, FormatValueCases,
    ::testing::Values(Case{"", "abc  ", "abc"}, Case{"@S5", "abcdefgh", "abcde"},
                      Case{"@S", "abcdefgh", "abcdefgh"}, Case{"@S0", "abcdefgh", ""},
                      Case{"@S5", "abcdefgh", "abcdefgh", ValueFormatter::kKeepValue},
                      Case{"@S5", "ab  ", "ab  "}, Case{"@N6", "1234", "1,234"},
                      Case{"@N3B", "0", "0", ValueFormatter::kKeepValue}, Case{"@N3B", "0", ""},
                      Case{"@e12.3b", "0", "0", ValueFormatter::kKeepValue},
                      Case{"@H6.2", "540000", "1.50"}, Case{"@X", "AB", "4142"},
                      Case{"@X-", "AB", "41-42"}, Case{"@x4_", "Hello", "48 65 6c 6c\r\n6f"},
                      Case{"@X-B2", "A\x05", "01000001-00000101"}, Case{"@X-B20", "\xFF", "CF"},
                      Case{"@X-B1", "AB", ""}, Case{"@P>#P", "5", "  5"},
                      Case{"@U", "1700000000", "2023/11/14 T 22:13:20"},
                      Case{"@U2T@D10@T4", "1700000000", "2023/11/14T22:13:20"},
                      Case{"@U2_d@D6@T04", "82090", "29/09/2025 00:00:00"},
                      // 29 September 2025 10:00:00.000 in milliseconds stays 10:00:00.
                      Case{"@U2Tm@D6@T4", "1759140000000", "29/09/2025T10:00:00"},
                      Case{"@Q5", "abc", "abc"}));

TEST(ValueFormatter, RawFlagReturnsTheValueUnformatted) {
  ValueFormatter formatter;
  EXPECT_EQ(formatter.FormatValue("1234  ", "@N6", true, 0), "1234");
}

TEST(ValueFormatter, HoursAreANumberPicture) {
  ValueFormatter formatter;
  EXPECT_EQ(formatter.FormatHours("@H2.2", 0, 540000), trimmedText(rt::format(1.5, "@N2.2")));
}

TEST(ValueFormatter, MillisecondTimeLosesItsOffsetInMilliseconds) {
  ValueFormatter formatter;
  EXPECT_EQ(formatter.FormatTime("@T93M", 36000123), "10:00:00.122");
  EXPECT_EQ(formatter.FormatTime("@T4M", 36000001), "10:00:00");
}

TEST(ValueFormatter, UtcNowFlagsFollowTheUtcClock) {
  ValueFormatter formatter;
  // Read the clock around the call so a change of day or second in between
  // cannot fail the test.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto day = formatter.UtcToday();
    const std::string date = formatter.FormatDate("@D10", 0, day);
    const std::string dateNow = format("0", "@D10T");
    const auto time = formatter.UtcClock();
    const std::string clock = formatter.FormatTime("@T4", time);
    const std::string clockNow = format("0", "@T4T");
    if (formatter.UtcToday() != day || formatter.UtcClock() != time) continue;
    EXPECT_EQ(dateNow, date);
    EXPECT_EQ(clockNow, clock);
    return;
  }
  FAIL() << "the UTC clock kept moving";
}

TEST(ValueFormatter, WeekOfYearGivesTheIsoWeekDate) {
  ValueFormatter formatter;
  std::int32_t year = 0, week = 0, weekday = 0;
  formatter.WeekOfYear(kDec31of2024, year, week, weekday);
  EXPECT_EQ(year, 2025);
  EXPECT_EQ(week, 1);
  EXPECT_EQ(weekday, 2);
}

}  // namespace
}  // namespace textlib
