#pragma once
// ValueFormatter: a value, given as text, turned into display text by a
// picture (see picture_spec.h). Times, ISO-week dates, Unix date-times,
// strings and byte representations are laid out here; numbers, scientific
// numbers, patterns, key-in pictures, the date layouts 1 to 18 and the time
// layouts 7 and 8 go to the platform's picture engine, with this class adding
// what the engine does not do (blank and zero handling, "now", Unix
// timestamps, milliseconds). The class holds no state: make one per call.
//
// Values travel as doubles: dates as day numbers, times as hundredths of a
// second plus one (1 is midnight), Unix timestamps in seconds or milliseconds.
#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/picture_spec.h"
#include "textlib/value_converter.h"

namespace textlib {

class ValueFormatter : public ValueConverter {
 public:
  // Options bit: keep the value. Where the engine's text holds no digit the
  // value's own text is returned, and a string picture does not cut.
  static constexpr int kKeepValue = 1;

  // The entry point: dispatches on the picture's kind. With `raw` set, or an
  // empty picture, the value comes back without its trailing spaces.
  virtual std::string FormatValue(std::string_view value, std::string_view picture,
                                  bool raw = false, int options = 0);
  virtual std::string FormatDate(std::string_view picture, int options, double date);
  virtual std::string FormatDate_(PictureSpec& spec, int options, double date);
  // The ISO 8601 week date of a day number (weekday 1 Monday .. 7 Sunday).
  virtual void WeekOfYear(double date, std::int32_t& year, std::int32_t& week,
                          std::int32_t& weekday);
  virtual std::string FormatTime(std::string_view picture, double time);
  virtual std::string FormatTime_(PictureSpec& spec, int options, double time);
  // A time in hundredths shown as hours with a fraction by a "@H" picture.
  virtual std::string FormatHours(std::string_view picture, int options, double time);
  virtual std::string FormatNumber(std::string_view picture, int options, double number);
  virtual std::string FormatDateTime(PictureSpec& spec, int options, double timestamp);
  virtual std::string FormatBase(PictureSpec& spec, int options, std::string_view value);
  virtual std::string FormatPattern(PictureSpec& spec, int options, std::string_view value);
};

}  // namespace textlib
