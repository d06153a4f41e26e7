// ValueParser: dates named relative to today ("today+3", "tm", "next month",
// "last friday", "week 5").
#include <string>
#include <string_view>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/number_text.h"
#include "platform/base/text_order.h"
#include "textlib/value_parser.h"
#include "textlib/value_parser_words.h"

namespace textlib {

namespace {

// The date a unit word after "next" (+1) or "last" (-1) names; 0 when the
// word is not a unit or a weekday.
double stepFromToday(ValueParser& parser, std::string_view unit, int direction) {
  const rt::Date today = rt::today();
  const rt::YearMonthDay now = rt::splitDate(today);
  const auto is = [&](std::string_view english, std::string_view shortForm) {
    return unit == shortForm || isWord(parser, unit, english);
  };
  if (is("day", "d")) return today + direction;
  if (is("week", "w")) return today + 7 * direction;
  if (is("month", "m")) return rt::makeDate(now.month + direction, 1, now.year);
  if (is("quarter", "q")) {
    const int quarterStart = (now.month - 1) / 3 * 3 + 1;
    return rt::makeDate(quarterStart + 3 * direction, 1, now.year);
  }
  if (is("year", "y")) return rt::makeDate(1, 1, now.year + direction);
  const int weekday = weekdayOfWord(parser, unit);
  if (weekday < 0) return 0;
  // One to seven days away: on a Monday, next monday is a week ahead.
  int days = direction > 0 ? weekday - rt::weekday(today) : rt::weekday(today) - weekday;
  days = (days + 7) % 7;
  if (days == 0) days = 7;
  return today + direction * days;
}

}  // namespace

std::string ValueParser::Translate(std::string_view word) { return std::string(word); }

double ValueParser::DeformatRelativeDate(std::string_view word1, std::string_view word2,
                                         std::string_view /*word3*/, std::string_view separator,
                                         int partCount) {
  const std::string first = rt::lower(rt::clip(word1));
  const std::string second = rt::lower(rt::clip(word2));
  const auto is = [&](std::string_view english) { return isWord(*this, first, english); };
  const rt::Date today = rt::today();

  if (is("week") || first == "w" || first == "u") {
    // The Monday of ISO week n: three days before the year's first Thursday.
    const rt::Date january1 = rt::makeDate(1, 1, rt::splitDate(today).year);
    const rt::Date thursday = january1 + (4 - rt::weekday(january1) + 7) % 7;
    return thursday - 3 + (rt::numericValue(second) - 1) * 7;
  }
  if (is("tomorrow") || first == "tm") return today + 1;
  if (is("yesterday") || first == "yd" || first == "y") return today - 1;
  if (is("today") || first == "t") {
    if (partCount == 1) return today;
    const double days = rt::numericValue(second);
    if (partCount == 2 && separator == "+") return today + days;
    if (partCount == 2 && separator == "-") return today - days;
    return 0;
  }
  if (is("next") || first == "nx") return stepFromToday(*this, second, 1);
  if (is("last") || is("previous") || first == "pv" || first == "ls") {
    return stepFromToday(*this, second, -1);
  }
  return 0;
}

}  // namespace textlib
