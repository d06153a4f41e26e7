// ValueFormatter: the entry point, numbers and decimal hours, strings,
// patterns and byte representations. Dates and times are in
// value_formatter_time.cpp.
#include "textlib/value_formatter.h"

#include <cmath>

#include "platform/base/clock.h"
#include "platform/base/number_text.h"
#include "platform/base/picture.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"
#include "textlib/value_formatter_internal.h"

namespace textlib {

namespace formatter_detail {

bool holdsDigit(std::string_view text) {
  return text.find_first_of("0123456789") != std::string_view::npos;
}

}  // namespace formatter_detail

using namespace formatter_detail;

namespace {

std::string stringByLength(std::string_view value, std::string_view lengthField, int options) {
  const int length = fieldNumber(lengthField);
  if (length < 0) return std::string(value);
  if (length == 0) return {};
  if (value.size() <= static_cast<std::size_t>(length) || (options & ValueFormatter::kKeepValue))
    return std::string(value);
  return std::string(value.substr(0, static_cast<std::size_t>(length)));
}

}  // namespace

std::string ValueFormatter::FormatValue(std::string_view value, std::string_view picture, bool raw,
                                        int options) {
  if (raw || detail::clipView(picture).empty()) return std::string(detail::clipView(value));
  PictureSpec spec;
  const bool known = spec.ParsePicture(picture) == 0;
  const char kind = known && !spec.PICTYPE.empty() ? spec.PICTYPE[0] : '\0';
  switch (kind) {
    case 'D':
      return FormatDate(picture, options, rt::numericValue(value));
    case 'T': {
      double time = rt::numericValue(value);
      if (PictureSpec::isSet(spec.U)) {
        if (PictureSpec::isSet(spec.MILLI)) {
          // A timestamp in milliseconds stays in milliseconds (plus one),
          // which is how the time layout reads a millisecond value.
          time = time < 0 ? 0 : std::fmod(std::trunc(time), 86400000.0) + 1;
        } else {
          time = UnixToTime(unix_unit::Automatic, time);
        }
        spec.Z.clear();  // the converted time counts from one
      }
      return FormatTime_(spec, options, time);
    }
    case 'H':
      return FormatHours(picture, options, rt::numericValue(value));
    case 'N':
      return FormatNumber(picture, options, rt::numericValue(value));
    case 'U':
      return FormatDateTime(spec, options, rt::numericValue(value));
    case 'X':
      return FormatBase(spec, options, value);
    case 'S':
      return stringByLength(value, spec.LENGTH, options);
    case 'P':
    case 'K':
      return FormatPattern(spec, options, value);
    default: {
      std::string text = value_text::trimmed(rt::format(value, picture));
      if ((options & kKeepValue) && !holdsDigit(text)) return std::string(value);
      return text;
    }
  }
}

std::string ValueFormatter::FormatNumber(std::string_view picture, int options, double number) {
  if (detail::clipView(picture).empty()) return rt::numberText(number);
  std::string text = value_text::trimmed(rt::format(number, picture));
  if ((options & kKeepValue) && !holdsDigit(text)) return rt::numberText(number);
  return text;
}

std::string ValueFormatter::FormatHours(std::string_view picture, int options, double time) {
  std::string numberPicture(picture);
  if (numberPicture.size() > 1 && (numberPicture[1] == 'H' || numberPicture[1] == 'h'))
    numberPicture[1] = 'N';
  return FormatNumber(numberPicture, options, time / rt::kTicksPerHour);
}

std::string ValueFormatter::FormatBase(PictureSpec& spec, int, std::string_view value) {
  const int radix = spec.BASE;
  // A radix that has no digits to write the bytes in gives nothing, rather
  // than a row of zeros that hides every byte.
  if (radix < 2 || radix > 36) return {};
  const int width = value_text::digitsPerByte(radix);
  const bool lowerCase = spec.UPPER == "x";
  const bool breakLines = PictureSpec::isSet(spec.N);
  const int perLine = fieldNumber(spec.N);
  const std::string between = spec.S == "_" ? std::string(" ") : spec.SEPARATOR;
  std::string result;
  int onLine = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    std::string digits =
        TextBuffer::LongToString(static_cast<unsigned char>(value[i]), radix, lowerCase);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    result += digits;
    ++onLine;
    if (breakLines && onLine == perLine) {
      result += "\r\n";
      onLine = 0;
    } else if (i + 1 < value.size() && PictureSpec::isSet(spec.S)) {
      result += between;
    }
  }
  return result;
}

std::string ValueFormatter::FormatPattern(PictureSpec& spec, int, std::string_view value) {
  if (detail::clipView(spec.PIC).empty()) return std::string(detail::clipView(value));
  std::string picture;
  for (const char c : spec.PIC) {
    if (c == '>') {
      picture += "<<";
    } else {
      picture += c;
    }
  }
  return rt::format(value, picture);
}

}  // namespace textlib
