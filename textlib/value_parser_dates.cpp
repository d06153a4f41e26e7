// ValueParser: reading a date typed by a person. The text is cut into up to
// three parts; the parts are then recognised as year, month (numbers or month
// words), ISO week or day, and the date is assembled by how many parts there
// are and the picture's layout.
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/number_text.h"
#include "platform/base/text_order.h"
#include "textlib/picture_spec.h"
#include "textlib/value_parser.h"
#include "textlib/value_parser_words.h"

namespace textlib {

namespace {

constexpr std::size_t kPartWidth = 20;

enum class LayoutOrder { MonthFirst, DayFirst, YearFirst };

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Letters of the runtime's code page, accented ones included, so month words
// such as "março" stay whole.
bool isLetter(char c) { return u_isalpha(rt::cp1252ToCodePoint(static_cast<unsigned char>(c))); }

bool isDateSeparator(char c) {
  return c == ' ' || c == '+' || c == ',' || c == '-' || c == '.' || c == '/' || c == '\\' ||
         c == '_';
}

double clampedDay(double value) { return value < 1 || value > 31 ? 1 : value; }
double clampedMonth(double value) { return value < 1 || value > 12 ? 1 : value; }

// One reading of a date text: the parts, and what the finders learnt of them.
class DateReader {
 public:
  DateReader(ValueParser& parser, std::string_view picture) : parser_(parser) {
    spec_.ParsePicture(picture);
    const rt::YearMonthDay now = rt::splitDate(rt::today());
    thisYear_ = now.year;
    thisMonth_ = now.month;
  }

  double read(std::string_view text);

 private:
  void SplitDateParts(std::string_view text);
  void FindYearPart();
  void FindMonthPart();
  void FindWeekPart();
  void FindDayPart();

  double onePart();
  double twoParts();
  double threeParts();

  const std::string& part(int index) const { return parts_[static_cast<std::size_t>(index - 1)]; }
  double value(int index) const { return rt::numericValue(part(index)); }
  double yearOrThisYear(double year) const { return year < 1 ? thisYear_ : year; }
  LayoutOrder layoutOrder() const;
  double date(double month, double day, double year) const;
  double week(int weekPart, double year, double weekday);

  ValueParser& parser_;
  PictureSpec spec_;
  int thisYear_ = 0;
  int thisMonth_ = 0;
  std::array<std::string, 3> parts_;
  int partCount_ = 0;
  char separator_ = 0;
  int yearPart_ = 0;
  int monthPart_ = 0;
  int dayPart_ = 0;
  int weekPart_ = 0;
  double year_ = 0;
  double month_ = 0;
  double day_ = 0;
};

double DateReader::read(std::string_view text) {
  std::string_view t = rt::clip(text);
  if (t.empty()) return 0;
  // An ISO date-time keeps only its date: 2024-01-15T10:30 or 2024-01-15 T 10:30.
  const bool isoTime = t.size() > 13 && t[13] == ':' && (t[10] == 'T' || t[10] == 't');
  const bool spacedIsoTime = t.size() > 15 && t[15] == ':' && t[10] == ' ' && t[12] == ' ' &&
                             (t[11] == 'T' || t[11] == 't');
  if (isoTime || spacedIsoTime) t = t.substr(0, 10);

  SplitDateParts(t);
  double result = parser_.DeformatRelativeDate(
      parts_[0], parts_[1], parts_[2],
      separator_ == 0 ? std::string_view() : std::string_view(&separator_, 1), partCount_);
  if (result == 0) {
    if (value(1) == 0 && value(2) == 0 && value(3) == 0) return 0;
    FindYearPart();
    FindMonthPart();
    FindWeekPart();
    if (partCount_ == 1) {
      result = onePart();
    } else if (partCount_ == 2) {
      result = twoParts();
    } else {
      result = threeParts();
    }
  }
  if (PictureSpec::isSet(spec_.MILLI)) {
    return parser_.ToUnixTime(result, 0, unix_unit::Milliseconds);
  }
  if (PictureSpec::isSet(spec_.U)) return parser_.ToUnixTime(result, 0, unix_unit::Seconds);
  return result;
}

void DateReader::SplitDateParts(std::string_view text) {
  // Without separators in the picture, a run of digits is cut at the width of
  // its field: four for a leading year, else two.
  const bool unseparated = spec_.S == "!";
  const bool yearFirst = spec_.N == "10" || spec_.N == "12" || spec_.N == "16";
  bool separatorSeen = false;
  std::size_t current = 0;
  for (const char c : text) {
    if (isDateSeparator(c)) {
      separator_ = c;
      separatorSeen = true;
      if (current < parts_.size() && !parts_[current].empty()) ++current;
      continue;
    }
    const bool digit = isDigit(c);
    if (!digit && !isLetter(c)) continue;
    if (!separatorSeen && current < parts_.size() && !parts_[current].empty()) {
      // Before any separator, digits and letters that meet start a new part.
      const bool lastIsDigit = isDigit(parts_[current].back());
      if (digit != lastIsDigit) ++current;
    }
    if (current >= parts_.size()) break;
    std::string& p = parts_[current];
    if (p.size() < kPartWidth) p.push_back(c);
    if (unseparated && digit) {
      const std::size_t width = current == 0 && yearFirst ? 4 : 2;
      if (p.size() == width) ++current;
    }
  }
  partCount_ = 0;
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    if (!parts_[i].empty()) partCount_ = static_cast<int>(i) + 1;
  }
}

void DateReader::FindYearPart() {
  for (int i = 1; i <= 3; ++i) {
    const double v = value(i);
    if ((v >= 1800 && v <= 2100) || (v >= 32 && v <= 99)) {
      yearPart_ = i;
      year_ = v;
      return;
    }
  }
}

void DateReader::FindMonthPart() {
  for (int i = 1; i <= 3; ++i) {
    const int month = monthOfWord(parser_, rt::lower(part(i)));
    if (month != 0) {
      monthPart_ = i;
      month_ = month;
      parts_[static_cast<std::size_t>(i - 1)] = std::to_string(month);
      return;
    }
  }
}

void DateReader::FindWeekPart() {
  for (int i = 1; i <= 2; ++i) {
    const std::string& p = part(i);
    if (p.empty() || (p[0] != 'W' && p[0] != 'w')) continue;
    const double week = rt::numericValue(std::string_view(p).substr(1, 2));
    if (week >= 1 && week <= 53) {
      weekPart_ = i;
      return;
    }
  }
}

void DateReader::FindDayPart() {
  for (int i = 1; i <= 3; ++i) {
    const double v = value(i);
    if (v >= 13 && v <= 31) {
      dayPart_ = i;
      day_ = v;
      return;
    }
  }
}

LayoutOrder DateReader::layoutOrder() const {
  const std::string& n = spec_.N;
  if (n.size() == 1 && n[0] >= '0' && n[0] <= '4') return LayoutOrder::MonthFirst;
  if (n.size() == 1 && n[0] >= '5' && n[0] <= '8') return LayoutOrder::DayFirst;
  return LayoutOrder::YearFirst;
}

// Values far outside any calendar are held where the date construction
// cannot overflow; they still give a date before the first day (0) or a
// rolled-over one, never undefined arithmetic.
int bounded(double value) {
  constexpr long long kLimit = 1000000;
  return static_cast<int>(std::clamp(rt::wholeNumber(value), -kLimit, kLimit));
}

double DateReader::date(double month, double day, double year) const {
  return rt::makeDate(bounded(month), bounded(day), bounded(yearOrThisYear(year)));
}

double DateReader::week(int weekPart, double year, double weekday) {
  return parser_.DateOfWeek(part(weekPart), bounded(yearOrThisYear(year)), bounded(weekday));
}

double DateReader::onePart() {
  if (weekPart_ != 0) return week(weekPart_, thisYear_, 1);
  if (monthPart_ != 0) return date(month_, 1, thisYear_);
  if (yearPart_ != 0) return date(1, 1, year_);
  const double v = value(1);
  if (v < 32) return date(thisMonth_, v, thisYear_);
  if (v == 366) return date(12, 31, thisYear_);
  if (v < 367) return date(1, 1, thisYear_) + v - 1;
  if (v < 99999) return v;
  const std::string_view digits = part(1);
  const auto digitsAt = [digits](std::size_t at, std::size_t count) {
    return rt::numericValue(digits.substr(at, count));
  };
  if (spec_.N == "11") return date(digitsAt(2, 2), digitsAt(4, 2), 2000 + digitsAt(0, 2));
  if (spec_.N == "12") return date(digitsAt(4, 2), digitsAt(6, 2), digitsAt(0, 4));
  return v;
}

double DateReader::twoParts() {
  if (weekPart_ != 0 && yearPart_ != 0) return week(weekPart_, year_, 1);
  if (weekPart_ == 1) return week(1, thisYear_, value(2));
  if (weekPart_ == 2) return week(2, value(1), 1);
  if (yearPart_ != 0 && monthPart_ != 0) return date(month_, 1, year_);
  if (yearPart_ != 0) return date(value(3 - yearPart_), 1, year_);
  if (monthPart_ != 0) return date(month_, value(3 - monthPart_), thisYear_);
  FindDayPart();
  if (dayPart_ != 0) return date(value(3 - dayPart_), day_, thisYear_);
  switch (layoutOrder()) {
    case LayoutOrder::MonthFirst:
      return date(clampedMonth(value(1)), clampedDay(value(2)), thisYear_);
    case LayoutOrder::DayFirst:
      return date(clampedMonth(value(2)), clampedDay(value(1)), thisYear_);
    case LayoutOrder::YearFirst:
      break;
  }
  return date(clampedMonth(value(2)), 1, value(1));
}

double DateReader::threeParts() {
  // The part that is neither of two others: the indices add up to 6.
  const auto remaining = [](int a, int b) { return 6 - a - b; };
  if (weekPart_ != 0 && yearPart_ != 0) {
    return week(weekPart_, year_, value(remaining(weekPart_, yearPart_)));
  }
  if (weekPart_ == 1) return week(1, value(2), value(3));
  if (weekPart_ == 2) return week(2, value(1), value(3));
  if (yearPart_ != 0 && monthPart_ != 0) {
    return date(month_, clampedDay(value(remaining(yearPart_, monthPart_))), year_);
  }
  const LayoutOrder order = layoutOrder();
  if (yearPart_ != 0) {
    FindDayPart();
    if (dayPart_ != 0)
      return date(clampedMonth(value(remaining(yearPart_, dayPart_))), day_, year_);
    if (yearPart_ == 1) return date(clampedMonth(value(2)), clampedDay(value(3)), year_);
    if (order == LayoutOrder::DayFirst) {
      return date(clampedMonth(value(2)), clampedDay(value(1)), year_);
    }
    return date(clampedMonth(value(1)), clampedDay(value(2)), year_);
  }
  double month = 0;
  double day = 0;
  double year = 0;
  switch (order) {
    case LayoutOrder::MonthFirst:
      month = value(1), day = value(2), year = value(3);
      break;
    case LayoutOrder::DayFirst:
      day = value(1), month = value(2), year = value(3);
      break;
    case LayoutOrder::YearFirst:
      year = value(1), month = value(2), day = value(3);
      break;
  }
  if (month > 12 && day <= 12) std::swap(month, day);
  return date(clampedMonth(month), clampedDay(day), year);
}

}  // namespace

double ValueParser::DeformatDate(std::string_view text, std::string_view picture) {
  return DateReader(*this, picture).read(text);
}

}  // namespace textlib
