#include "platform/base/age_text.h"

namespace rt {

int completedMonths(Date from, Date to) {
  if (to <= from) return 0;
  const YearMonthDay a = splitDate(from);
  const YearMonthDay b = splitDate(to);
  int months = (b.year - a.year) * 12 + (b.month - a.month);
  const bool lastDayOfShorterMonth = b.day == daysInMonth(b.month, b.year) && a.day > b.day;
  if (b.day < a.day && !lastDayOfShorterMonth) --months;
  return months;
}

std::string ageText(Date birth, Date at, int width) {
  if (birth <= 0 || birth > at || width <= 0) return {};
  std::string text;
  if (at - birth < 60) {
    text = std::to_string(at - birth) + " DAYS";
  } else if (const int months = completedMonths(birth, at); months < 24) {
    text = std::to_string(months) + " MOS";
  } else {
    text = std::to_string(months / 12) + " YRS";
  }
  if (static_cast<int>(text.size()) > width) text.resize(static_cast<std::size_t>(width));
  return text;
}

}  // namespace rt
