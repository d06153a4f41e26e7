// Describing display pictures in English words.
#include <optional>
#include <string>

#include "platform/base/cp1252.h"
#include "textlib/picture_spec.h"
#include "textlib/value_text.h"

namespace textlib {
namespace {

constexpr std::size_t kPictureWidth = 251;

struct Layout {
  int number;
  std::string_view words;
};

// "/" in a date layout and ":" in a time layout stand for the separator.
constexpr Layout kDateLayouts[] = {
    {1, "mm/dd/yy"},  {2, "mm/dd/yyyy"},  {3, "mmm dd,yyyy"}, {4, "mmmmmmmm dd,yyyy"},
    {5, "dd/mm/yy"},  {6, "dd/mm/yyyy"},  {7, "dd mmm yy"},   {8, "dd mmm yyyy"},
    {9, "yy/mm/dd"},  {10, "yyyy/mm/dd"}, {11, "yymmdd"},     {12, "yyyymmdd"},
    {13, "mm/yy"},    {14, "mm/yyyy"},    {15, "yy/mm"},      {16, "yyyy/mm"},
    {91, "yyyy/Www"}, {92, "Www/yyyy"},   {93, "yyyy/Www/d"},
};

constexpr Layout kTimeLayouts[] = {
    {1, "hh:mm"},         {2, "hhmm"},
    {3, "hh:mm am"},      {4, "hh:mm:ss"},
    {5, "hhmmss"},        {6, "hh:mm:ss am"},
    {91, "hh:mm:ss:cc"},  {92, "hh:mm:ss:cc am"},
    {93, "hh:mm:ss.mmm"}, {94, "hh:mm:ss.mmm am"},
};

// The layout's words with the separator in place, or nothing for an unknown
// layout.
template <std::size_t Count>
std::optional<std::string> layoutWords(const Layout (&layouts)[Count], const std::string& number,
                                       char placeholder, const std::string& separator) {
  if (!PictureSpec::isSet(number)) return std::nullopt;
  const std::int64_t wanted = value_text::leadingNumber(number);
  for (const Layout& layout : layouts) {
    if (layout.number != wanted) continue;
    std::string words;
    for (char c : layout.words) {
      if (c == placeholder) {
        words += separator;
      } else {
        words += c;
      }
    }
    return words;
  }
  return std::nullopt;
}

}  // namespace

std::string PictureSpec::Describe(std::string_view picture, bool useOwn) {
  const std::string_view source = useOwn || picture.empty() ? std::string_view(PIC) : picture;
  PIC.assign(rt::clip(rt::clip(source).substr(0, kPictureWidth)));
  if (PIC.empty() || PIC[0] != '@') return PIC;
  // A picture of no known kind describes as itself, whatever the fields
  // held before.
  if (ParsePicture(PIC, true) != 0) return PIC;
  switch (PICTYPE.empty() ? '\0' : PICTYPE[0]) {
    case 'N':
      return DescribeNumber();
    case 'E':
      return DescribeScientific();
    case 'H':
      return DescribeHours();
    case 'S':
      return DescribeString();
    case 'P':
      return DescribePattern();
    case 'K':
      return DescribeKeyIn();
    case 'X':
      return DescribeBase();
    case 'U':
      return DescribeUnix();
    case 'D':
      return DescribeDate();
    case 'T':
      return DescribeTime();
    default:
      return PIC;
  }
}

std::string PictureSpec::DescribeDate() {
  if (auto words = layoutWords(kDateLayouts, N, '/', SEPARATOR)) return *words;
  return "Date " + PIC;
}

std::string PictureSpec::DescribeTime() {
  if (auto words = layoutWords(kTimeLayouts, N, ':', SEPARATOR)) return *words;
  return "Time " + PIC;
}

std::string PictureSpec::DescribeHours() { return "Decimal hours"; }

std::string PictureSpec::DescribeString() {
  return "String from 0 to " + std::string(rt::clip(LENGTH)) + " characters";
}

std::string PictureSpec::DescribeScientific() { return "Scientific Number"; }

std::string PictureSpec::DescribeNumber() { return "Number"; }

std::string PictureSpec::DescribePattern() { return PIC; }

std::string PictureSpec::DescribeKeyIn() { return PIC; }

std::string PictureSpec::DescribeUnix() {
  // The halves are described by another object, so these fields stay.
  PictureSpec half;
  std::string words = half.Describe(DATEPART);
  const std::int64_t style = value_text::leadingNumber(N);
  if (style == 1) words += " T ";
  if (style == 2) words += "T";
  words += half.Describe(TIMEPART);
  return words;
}

std::string PictureSpec::DescribeBase() {
  return "Number representation of a string. Base " + std::to_string(BASE) + ", " +
         std::string(rt::clip(N)) + " chars per line, separated by " + SEPARATOR;
}

}  // namespace textlib
