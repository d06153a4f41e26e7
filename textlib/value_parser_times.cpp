// ValueParser: reading times of day and Unix date-times.
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/number_text.h"
#include "platform/base/text_order.h"
#include "textlib/picture_spec.h"
#include "textlib/value_parser.h"
#include "textlib/value_text.h"

namespace textlib {

namespace {

constexpr double kHalfDay = rt::kTicksPerDay / 2;

// Removes every occurrence of a two-letter marker, in either case; true when
// there was one.
bool removeMarker(std::string& text, std::string_view marker) {
  bool found = false;
  std::string kept;
  kept.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i + 1 < text.size() && rt::lowerChar(text[i]) == marker[0] &&
        rt::lowerChar(text[i + 1]) == marker[1]) {
      found = true;
      ++i;
      continue;
    }
    kept.push_back(text[i]);
  }
  text = std::move(kept);
  return found;
}

// At most four pieces; anything after the fourth separator is not read.
std::vector<std::string> splitTimeParts(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (parts.size() < 4) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

double valueOf(std::string_view text) { return rt::numericValue(text); }

double digitsAt(const std::string& text, std::size_t at, std::size_t count) {
  return at < text.size() ? valueOf(std::string_view(text).substr(at, count)) : 0.0;
}

// A time written without separators, read by its length: h, hh, h mm, hh mm,
// h mm ss, ... up to hh mm ss cc and a digit of milliseconds. -1 when the
// length is not one of those.
double compactTime(const std::string& digits) {
  const std::size_t length = digits.size();
  if (length == 1 || length == 2) return valueOf(digits) * rt::kTicksPerHour;
  if (length < 3 || length > 9) return -1;
  const std::size_t hourDigits = (length % 2 == 1 && length != 9) ? 1 : 2;
  return digitsAt(digits, 0, hourDigits) * rt::kTicksPerHour +
         digitsAt(digits, hourDigits, 2) * rt::kTicksPerMinute +
         digitsAt(digits, hourDigits + 2, 2) * 100 + digitsAt(digits, hourDigits + 4, 2) +
         digitsAt(digits, hourDigits + 6, 1) / 10;
}

bool isTimeSeparator(char c) { return c == '.' || c == '-' || c == ' ' || c == ',' || c == ':'; }

}  // namespace

double ValueParser::DeformatTime(std::string_view text, std::string_view picture, bool raw) {
  PictureSpec spec;
  if (!raw) spec.ParseTimePicture(picture);
  std::string t(text);
  // A date and its "T" before the time are dropped.
  if (const std::size_t mark = t.find_first_of("Tt"); mark != std::string::npos) {
    t.erase(0, mark + 1);
  }
  const bool am = removeMarker(t, "am");
  const bool pm = removeMarker(t, "pm");
  t = value_text::trimmed(t);
  bool negative = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    negative = t[0] == '-';
    t.erase(0, 1);
  }
  const bool zeroBased =
      PictureSpec::isSet(spec.Z) || PictureSpec::isSet(spec.U) || PictureSpec::isSet(spec.MILLI);
  const double offset = zeroBased ? 0 : 1;

  char separator = spec.SEPARATOR.empty() ? ' ' : spec.SEPARATOR[0];
  if (t.size() > 2 && isTimeSeparator(t[t.size() - 3])) separator = t[t.size() - 3];
  std::vector<std::string> parts = splitTimeParts(t, separator);
  parts[0] = DeformatNumber(parts[0], spec.NUMBERPART);

  double time = 0;
  if (parts.size() > 1) {
    parts.resize(4);
    time = valueOf(parts[0]) * rt::kTicksPerHour + valueOf(parts[1]) * rt::kTicksPerMinute +
           valueOf(parts[2]) * 100 + valueOf(parts[3]) + offset;
  } else if (const double compact = compactTime(parts[0]); compact >= 0) {
    time = compact + offset;
  }

  if (negative) time = -time;
  if (time > 0 && time <= rt::kTicksPerDay) {
    if (pm && time < kHalfDay) {
      time += kHalfDay;
    } else if (am && time >= kHalfDay) {
      time -= kHalfDay;
    }
  }
  if (PictureSpec::isSet(spec.MILLI)) {
    time = std::trunc(time * 10);
  } else if (PictureSpec::isSet(spec.U)) {
    time = std::trunc(time / 100);
  }
  if (time == 1 && PictureSpec::isSet(spec.B) && !PictureSpec::isSet(spec.Z)) time = 0;
  return time;
}

double ValueParser::DeformatDateTime(std::string_view text, std::string_view picture) {
  PictureSpec spec;
  spec.ParsePicture(picture);
  const std::string_view t = rt::clip(text);
  const char separator = spec.SEPARATOR.empty() ? ' ' : spec.SEPARATOR[0];
  const std::size_t at = t.find(separator);
  const std::string_view dateText = t.substr(0, at);
  const std::string_view timeText =
      at == std::string_view::npos ? std::string_view() : t.substr(at + 1);

  const bool milli = PictureSpec::isSet(spec.MILLI);
  const double date = DeformatDate(dateText, spec.DATEPART);
  const double base = ToUnixTime(date, 0, milli ? unix_unit::Milliseconds : unix_unit::Seconds);

  // The time half is read zero-based, in the picture's unit.
  std::string timePicture = spec.TIMEPART.empty() ? "@t1zu" + spec.MILLI : spec.TIMEPART;
  const std::string flags = rt::lower(timePicture);
  if (flags.find('z') == std::string::npos) timePicture += 'z';
  if (flags.find('u') == std::string::npos) timePicture += 'u';
  if (milli && flags.find('m') == std::string::npos) timePicture += 'm';
  return base + DeformatTime(timeText, timePicture);
}

}  // namespace textlib
