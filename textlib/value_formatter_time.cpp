// ValueFormatter: dates, ISO week dates, times of day and Unix date-times.
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/picture.h"
#include "textlib/text_buffer_internal.h"
#include "textlib/value_formatter.h"
#include "textlib/value_formatter_internal.h"

namespace textlib {

using namespace formatter_detail;

namespace {

constexpr int kIsoYearWeek = 91;         // yyyy/Www
constexpr int kIsoWeekYear = 92;         // Www/yyyy
constexpr int kIsoYearWeekWeekday = 93;  // yyyy/Www/d
// The engine's date pictures are short; longer built text is cut.
constexpr std::size_t kEngineDatePictureLength = 20;
constexpr double kMillisecondsPerDay = 86400000.0;

bool isSet(const std::string& field) { return PictureSpec::isSet(field); }

std::string twoDigits(double n) { return rt::format(n, "@n02"); }

std::string isoWeekText(ValueFormatter& formatter, const PictureSpec& spec, int layout,
                        double date) {
  std::int32_t year = 0;
  std::int32_t week = 0;
  std::int32_t weekday = 0;
  formatter.WeekOfYear(date, year, week, weekday);
  if (year == 0) return {};  // beyond the calendar
  const std::string& sep = spec.SEPARATOR;
  const std::string yyyy = std::to_string(year);
  const std::string ww = "W" + twoDigits(week);
  if (layout == kIsoYearWeek) return yyyy + sep + ww;
  if (layout == kIsoWeekYear) return ww + sep + yyyy;
  return yyyy + sep + ww + sep + std::to_string(weekday);
}

// Digits of a text that overflowed one of its parts show as "#" too, so a
// partly readable time is never shown.
void hideDigitsIfOverflowed(std::string& text) {
  if (text.find('#') == std::string::npos) return;
  for (char& c : text) {
    if (c >= '0' && c <= '9') c = '#';
  }
}

}  // namespace

std::string ValueFormatter::FormatDate(std::string_view picture, int options, double date) {
  PictureSpec spec;
  spec.ParsePicture(picture);
  return FormatDate_(spec, options, date);
}

std::string ValueFormatter::FormatDate_(PictureSpec& spec, int, double date) {
  const std::string enginePicture = spec.BuildDatePicture(0).substr(0, kEngineDatePictureLength);
  if (date == 0) {
    spec.U.clear();
    if (isSet(spec.LOCAL)) {
      date = rt::today();
    } else if (isSet(spec.UTC)) {
      date = UtcToday();
    }
  } else if (isSet(spec.MILLI)) {
    date /= 1000;
  }
  if (isSet(spec.U)) date = UnixToDate(unix_unit::Automatic, date);

  const int layout = fieldNumber(spec.N);
  std::string text;
  if (layout == kIsoYearWeek || layout == kIsoWeekYear || layout == kIsoYearWeekWeekday) {
    // No date has no week either.
    if (date >= 1) text = isoWeekText(*this, spec, layout, std::trunc(date));
  } else if (date == 0 &&
             (layout == 3 || layout == 7 || layout == 8 || layout == 18 || isSet(spec.B))) {
    text.clear();
  } else {
    text = rt::format(date, enginePicture);
    if (date == 0 && isSet(spec.FILL)) {
      for (char& c : text) {
        if (c == ' ') c = '0';
      }
    }
    text = std::string(detail::clipView(text));
  }
  if (spec.S == "!") std::erase(text, '/');
  return text;
}

void ValueFormatter::WeekOfYear(double date, std::int32_t& year, std::int32_t& week,
                                std::int32_t& weekday) {
  const IsoWeekDate iso = isoWeekOfYear(value_text::clampToInt32(std::trunc(date)));
  year = iso.year;
  week = iso.week;
  weekday = iso.weekday;
}

std::string ValueFormatter::FormatTime(std::string_view picture, double time) {
  PictureSpec spec;
  spec.ParsePicture(picture);
  return FormatTime_(spec, 0, time);
}

std::string ValueFormatter::FormatTime_(PictureSpec& spec, int, double time) {
  if (time == 0) {
    spec.U.clear();
    spec.MILLI.clear();
    if (isSet(spec.LOCAL)) {
      time = rt::clockTime();
    } else if (isSet(spec.UTC)) {
      time = UtcClock();
    }
  }
  const double offset = (time == 0 || isSet(spec.Z)) ? 0 : 1;
  // `elapsed` is the unsigned hundredths since midnight, `signedElapsed` the
  // same with the time's sign. A millisecond time loses its offset in
  // milliseconds, before it is cut to hundredths, so 10:00:00.000 plus one
  // stays 10:00:00 and not one hundredth earlier.
  double elapsed = 0;
  double signedElapsed = 0;
  double milliseconds = 0;
  const bool inMilliseconds = isSet(spec.MILLI);
  if (inMilliseconds) {
    const double ms = std::fabs(time) - offset;
    milliseconds = std::trunc(std::fmod(ms, 1000));
    elapsed = ms / 10;
    signedElapsed = time < 0 ? -elapsed : elapsed;
  } else {
    elapsed = std::fabs(time) - offset;
    signedElapsed = time - offset;
  }
  const double hours = std::trunc(signedElapsed / rt::kTicksPerHour);
  const double minutes = std::trunc(std::fmod(elapsed, rt::kTicksPerHour) / rt::kTicksPerMinute);
  const double seconds = std::trunc(std::fmod(elapsed, rt::kTicksPerMinute) / 100);
  const double hundredths = std::trunc(std::fmod(elapsed, 100));
  if (!inMilliseconds) milliseconds = hundredths * 10;
  if (isSet(spec.B) && hours == 0 && minutes == 0 && seconds == 0 && hundredths == 0 &&
      milliseconds == 0)
    return {};

  const std::string& sep = spec.SEPARATOR;
  auto H = [&] { return FormatNumber(spec.NUMBERPART, 0, hours); };
  auto h = [&] {
    const double twelve = hours == 12 ? 12 : std::fmod(std::fmod(hours, 12) + 12, 12);
    return FormatNumber(spec.NUMBERPART, 0, twelve);
  };
  const std::string mm = twoDigits(minutes);
  const std::string ss = twoDigits(seconds);
  const std::string cc = twoDigits(hundredths);
  const std::string mmm = rt::format(milliseconds, "@n03");
  const std::string ap = hours < 12 ? " am" : " pm";
  auto engineLayout = [&](std::string_view layout) {
    std::string picture = std::string(layout) + spec.S + (isSet(spec.B) ? "B" : "");
    return rt::format(signedElapsed + 1, picture);
  };

  std::string text;
  switch (fieldNumber(spec.N)) {
    case 1:
      text = H() + sep + mm;
      break;
    case 2:
      text = H() + mm;
      break;
    case 3:
      text = h() + sep + mm + ap;
      break;
    case 4:
      text = H() + sep + mm + sep + ss;
      break;
    case 5:
      text = H() + mm + ss;
      break;
    case 6:
      text = h() + sep + mm + sep + ss + ap;
      break;
    case 7:
      text = engineLayout("@t7");
      break;
    case 8:
      text = engineLayout("@t8");
      break;
    case 91:
      text = H() + sep + mm + sep + ss + sep + cc;
      break;
    case 92:
      text = h() + sep + mm + sep + ss + sep + cc + ap;
      break;
    case 93:
      text = H() + sep + mm + sep + ss + "." + mmm;
      break;
    case 94:
      text = h() + sep + mm + sep + ss + "." + mmm + ap;
      break;
    default:
      break;
  }
  hideDigitsIfOverflowed(text);
  return value_text::trimmed(text);
}

std::string ValueFormatter::FormatDateTime(PictureSpec& spec, int, double value) {
  const int style = fieldNumber(spec.N);
  std::string joint;
  if (style == 1) joint = " " + spec.SEPARATOR + " ";
  if (style == 2) joint = spec.SEPARATOR;
  std::string date;
  std::string time;
  if (isSet(spec.SERIALDATE)) {
    date = FormatDate(spec.DATEPART, 0, value);
    time = FormatTime(spec.TIMEPART + "M", 0);
  } else if (isSet(spec.SERIALTIME)) {
    date = FormatDate(spec.DATEPART, 0, 0);
    time = FormatTime(spec.TIMEPART, value);
  } else if (isSet(spec.MILLI)) {
    date = FormatDate(spec.DATEPART, 0, UnixToDate(unix_unit::Milliseconds, value));
    // The time of day in milliseconds, counted from zero.
    PictureSpec timeSpec;
    timeSpec.ParsePicture(spec.TIMEPART);
    timeSpec.MILLI = "M";
    timeSpec.U = "U";
    timeSpec.Z = "Z";
    time = FormatTime_(timeSpec, 0, std::fmod(std::trunc(value), kMillisecondsPerDay));
  } else {
    date = FormatDate(spec.DATEPART, 0, UnixToDate(unix_unit::Automatic, value));
    time = FormatTime(spec.TIMEPART, UnixToTime(unix_unit::Automatic, value));
  }
  return date + joint + time;
}

}  // namespace textlib
