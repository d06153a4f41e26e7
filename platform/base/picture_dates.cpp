#include <cstdio>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/locale_texts.h"
#include "platform/base/number_text.h"
#include "platform/base/picture_kinds.h"
#include "platform/base/text_order.h"

namespace rt::picture_kinds {
namespace {

std::string twoDigits(long long n) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02lld", n);
  return buffer;
}

std::string fourDigits(int n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d", n);
  return buffer;
}

// The order in which a layout writes its parts, and the width of its year.
struct DateLayout {
  std::string_view order;  // of "D", "M" and "Y"
  std::size_t yearWidth;
};

DateLayout dateLayout(int layout) {
  switch (layout) {
    case 1:
      return {"MDY", 2};
    case 2:
    case 3:
    case 4:
      return {"MDY", 4};
    case 5:
    case 7:
      return {"DMY", 2};
    case 9:
    case 11:
      return {"YMD", 2};
    case 10:
    case 12:
      return {"YMD", 4};
    case 13:
      return {"MY", 2};
    case 14:
      return {"MY", 4};
    case 15:
      return {"YM", 2};
    case 16:
      return {"YM", 4};
    default:
      return {"DMY", 4};  // 6, 8, 17 and 18
  }
}

struct Token {
  bool word;
  std::string text;
};

// Runs of digits and runs of letters; everything else separates them.
std::vector<Token> tokens(std::string_view text) {
  std::vector<Token> out;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  auto isLetter = [](char c) { return upperChar(c) != lowerChar(c); };
  for (std::size_t i = 0; i < text.size();) {
    const bool digit = isDigit(text[i]);
    if (!digit && !isLetter(text[i])) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && (digit ? isDigit(text[j]) : isLetter(text[j]))) ++j;
    out.push_back({!digit, std::string(text.substr(i, j - i))});
    i = j;
  }
  return out;
}

int monthFromWord(std::string_view word) {
  if (word.size() < 3) return 0;
  for (int m = 1; m <= 12; ++m) {
    if (compareText(word.substr(0, 3), monthShortName(m), CaseMode::Insensitive) == 0) return m;
  }
  return 0;
}

int toInt(std::string_view digits) {
  int n = 0;
  for (const char c : digits.substr(0, 9)) n = n * 10 + (c - '0');
  return n;
}

}  // namespace

std::string formatDate(double value, const Picture& p) {
  if (!(value >= 1 && value <= kLastDate)) return {};  // 0 is no date
  const YearMonthDay ymd = splitDate(static_cast<Date>(value));
  const std::string& s = p.separator;
  const std::string dd = twoDigits(ymd.day);
  const std::string mm = twoDigits(ymd.month);
  const std::string yy = twoDigits(ymd.year % 100);
  const std::string yyyy = fourDigits(ymd.year);
  const std::string mmm(monthShortName(ymd.month));
  switch (p.layout) {
    case 1:
      return mm + s + dd + s + yy;
    case 2:
      return mm + s + dd + s + yyyy;
    case 3:
      return mmm + " " + dd + "," + yyyy;
    case 4:
      return std::string(monthName(ymd.month)) + " " + dd + "," + yyyy;
    case 5:
      return dd + s + mm + s + yy;
    case 7:
      return dd + " " + mmm + " " + yy;
    case 8:
      return dd + " " + mmm + " " + yyyy;
    case 9:
      return yy + s + mm + s + dd;
    case 10:
      return yyyy + s + mm + s + dd;
    case 11:
      return yy + mm + dd;
    case 12:
      return yyyy + mm + dd;
    case 13:
      return mm + s + yy;
    case 14:
      return mm + s + yyyy;
    case 15:
      return yy + s + mm;
    case 16:
      return yyyy + s + mm;
    case 18:
      return std::to_string(ymd.day) + " de " + std::string(monthName(ymd.month)) + " de " + yyyy;
    default:
      return dd + s + mm + s + yyyy;  // 6 and 17
  }
}

std::string deformatDate(std::string_view text, const Picture& p) {
  const std::vector<Token> parts = tokens(text);
  if (parts.empty()) return "0";
  const DateLayout layout = dateLayout(p.layout);
  int month = 0;
  std::vector<std::string> numbers;
  for (const Token& t : parts) {
    if (!t.word) {
      numbers.push_back(t.text);
    } else if (const int m = monthFromWord(t.text); m && !month) {
      month = m;
    } else if (lower(t.text) != "de") {
      return {};
    }
  }
  // The parts still to be read from numbers, in the layout's order.
  std::string order(layout.order);
  if (month) order.erase(order.find('M'), 1);
  // Typed without separators: cut the digits by the layout's widths.
  if (numbers.size() == 1 && order.size() > 1) {
    const std::string run = numbers.front();
    std::size_t wanted = 0;
    for (const char part : order) wanted += part == 'Y' ? layout.yearWidth : 2;
    if (run.size() != wanted) return {};
    numbers.clear();
    std::size_t at = 0;
    for (const char part : order) {
      const std::size_t width = part == 'Y' ? layout.yearWidth : 2;
      numbers.push_back(run.substr(at, width));
      at += width;
    }
  }
  if (numbers.size() != order.size()) return {};
  int day = 1;
  int year = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const int n = toInt(numbers[i]);
    if (order[i] == 'D') day = n;
    if (order[i] == 'M') month = n;
    if (order[i] == 'Y') year = numbers[i].size() <= 2 ? expandTwoDigitYear(n) : n;
  }
  if (month < 1 || month > 12 || year < 1 || year > splitDate(kLastDate).year) return {};
  if (day < 1 || day > daysInMonth(month, year)) return {};
  const Date date = makeDate(month, day, year);
  return date > 0 ? std::to_string(date) : std::string();
}

std::string formatTime(double value, const Picture& p) {
  if (!(value >= 1)) return {};  // 0 is no time
  const long long ticks = wholeNumber(value) - 1;
  const long long hours = ticks / kTicksPerHour;
  const std::string mm = twoDigits(ticks / kTicksPerMinute % 60);
  const std::string ss = twoDigits(ticks / 100 % 60);
  const std::string& s = p.separator;
  const std::string hh = twoDigits(hours);
  const long long hours12 = hours % 12 == 0 ? 12 : hours % 12;
  const std::string half = " " + std::string(hours % 24 < 12 ? amText() : pmText());
  switch (p.layout) {
    case 2:
      return hh + mm;
    case 3:
      return twoDigits(hours12) + s + mm + half;
    case 4:
    case 8:
      return hh + s + mm + s + ss;
    case 5:
      return hh + mm + ss;
    case 6:
      return twoDigits(hours12) + s + mm + s + ss + half;
    default:
      return hh + s + mm;  // 1 and 7
  }
}

std::string deformatTime(std::string_view text, const Picture&) {
  const std::vector<Token> parts = tokens(text);
  if (parts.empty()) return "0";
  std::vector<std::string> numbers;
  std::string letters;  // "am", "a.m.", "pm", "p"
  for (const Token& t : parts) {
    if (t.word) {
      letters += lower(t.text);
    } else {
      numbers.push_back(t.text);
    }
  }
  char half = 0;
  if (letters == "a" || letters == "am") half = 'a';
  if (letters == "p" || letters == "pm") half = 'p';
  if (!letters.empty() && !half) return {};
  // "hhmm" and "hhmmss" typed as one run of digits.
  if (numbers.size() == 1 && numbers.front().size() > 2) {
    const std::string run = numbers.front();
    if (run.size() > 6) return {};
    const std::size_t hourWidth = run.size() % 2 ? 1 : 2;
    numbers = {run.substr(0, hourWidth), run.substr(hourWidth, 2)};
    if (run.size() > hourWidth + 2) numbers.push_back(run.substr(hourWidth + 2));
  }
  if (numbers.empty() || numbers.size() > 4) return {};
  int hours = toInt(numbers[0]);
  const int minutes = numbers.size() > 1 ? toInt(numbers[1]) : 0;
  const int seconds = numbers.size() > 2 ? toInt(numbers[2]) : 0;
  const int hundredths = numbers.size() > 3 ? toInt(numbers[3].substr(0, 2)) : 0;
  if (half) {
    if (hours < 1 || hours > 12) return {};
    hours = hours % 12 + (half == 'p' ? 12 : 0);
  }
  if (hours > 23 || minutes > 59 || seconds > 59) return {};
  return std::to_string(makeTime(hours, minutes, seconds, hundredths));
}

}  // namespace rt::picture_kinds
