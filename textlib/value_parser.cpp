// ValueParser: the entry point, and reading numbers, digits, decimal hours,
// byte representations and colours.
#include "textlib/value_parser.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/base/clock.h"
#include "platform/base/cp1252.h"
#include "platform/base/number_text.h"
#include "platform/base/picture.h"
#include "platform/base/text_order.h"
#include "textlib/picture_spec.h"
#include "textlib/text_buffer.h"
#include "textlib/value_text.h"

namespace textlib {

namespace {

std::size_t countOf(const std::string& text, char c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

}  // namespace

std::int32_t ValueParser::DateOfWeek(std::string_view week, std::int32_t year,
                                     std::int32_t weekday) {
  return dateOfIsoWeek(week, year, weekday);
}

std::string ValueParser::Deformat(std::string_view text, std::string_view picture, bool raw) {
  const std::string_view pic = rt::clip(picture);
  if (raw || pic.size() < 2 || pic[0] != '@') return std::string(text);
  switch (rt::lowerChar(pic[1])) {
    case 'd':
      return rt::numberText(DeformatDate(text, picture));
    case 'e':
      return DeformatWithRuntime_(text, picture);
    case 'h':
      return rt::numberText(DeformatHours(text, picture));
    case 'k':
    case 'p':
      return DeformatDigits(text, picture, raw);
    case 'n':
      return DeformatNumber(text, picture);
    case 't':
      return rt::numberText(DeformatTime(text, picture, raw));
    case 'u':
      return rt::numberText(DeformatDateTime(text, picture));
    case 'x':
      return DeformatBase(text, picture);
    case 'l':
      if (pic.size() > 2 && pic[2] == '1') return std::to_string(TextBuffer::ColorFromText(text));
      if (pic.size() > 2 && pic[2] == '2')
        return TextBuffer::ColorNameToHex(text, true).substr(0, 20);
      return std::string(text);
    default:
      return std::string(text);
  }
}

std::string ValueParser::DeformatWithRuntime_(std::string_view text, std::string_view picture) {
  return rt::deformat(text, picture);
}

std::string ValueParser::DeformatDigits(std::string_view text, std::string_view picture, bool raw) {
  std::size_t limit = 99;
  if (!raw && !rt::clip(picture).empty()) {
    limit = static_cast<std::size_t>(std::count_if(
        picture.begin(), picture.end(), [](char c) { return c == '#' || c == '<' || c == '>'; }));
  }
  std::string digits;
  for (const char c : text) {
    if (digits.size() >= limit) break;
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  return digits;
}

std::string ValueParser::DeformatBase(std::string_view text, std::string_view picture) {
  PictureSpec spec;
  spec.ParsePicture(picture);
  // A picture without a separator takes a space as one: the separator field
  // is blank-padded, so a blank field reads as a space.
  const char separator = spec.SEPARATOR.empty() ? ' ' : spec.SEPARATOR[0];
  std::string digits(rt::clip(text));
  std::erase_if(digits, [separator](char c) { return c == '\r' || c == '\n' || c == separator; });
  const auto width = static_cast<std::size_t>(value_text::digitsPerByte(spec.BASE));
  std::string bytes;
  if (width == 0) return bytes;
  for (std::size_t at = 0; at < digits.size(); at += width) {
    const std::int32_t value = TextBuffer::StringToLong(digits.substr(at, width), spec.BASE);
    bytes.push_back(static_cast<char>(value & 0xFF));
  }
  return bytes;
}

std::string ValueParser::DeformatNumber(std::string_view text, std::string_view picture) {
  std::string t(rt::clip(text));
  // Several commas group thousands.
  if (countOf(t, ',') > 1) std::erase(t, ',');
  // Several points group thousands; a comma left is then the decimal mark.
  if (countOf(t, '.') > 1) {
    std::erase(t, '.');
    std::replace(t.begin(), t.end(), ',', '.');
  }
  // One of each: the later one is the decimal mark.
  if (countOf(t, ',') == 1 && countOf(t, '.') == 1) {
    if (t[t.find_last_of(",.")] == '.') {
      std::erase(t, ',');
    } else {
      std::erase(t, '.');
      std::replace(t.begin(), t.end(), ',', '.');
    }
  }
  // A lone comma: the picture's decimal places tell grouping from decimals.
  PictureSpec spec;
  spec.ParsePicture(picture);
  if (countOf(t, ',') == 1 && countOf(t, '.') == 0) {
    if (spec.PLACES.empty() || spec.PLACES == "0") {
      std::erase(t, ',');
    } else {
      std::replace(t.begin(), t.end(), ',', '.');
    }
  }
  // An accounting negative: (42).
  const std::size_t first = t.find_first_not_of(' ');
  if (first != std::string::npos && t[first] == '(') std::replace(t.begin(), t.end(), '(', '-');
  std::erase_if(t, [](char c) { return !((c >= '0' && c <= '9') || c == '.' || c == '-'); });
  return t;
}

double ValueParser::DeformatHours(std::string_view text, std::string_view picture) {
  return rt::numericValue(DeformatNumber(text, picture)) * rt::kTicksPerHour;
}

}  // namespace textlib
