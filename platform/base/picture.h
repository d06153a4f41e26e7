#pragma once
// Display pictures: how a value is shown as text and read back.
//   @n  numbers      @n[$|~cur~][-|(][0|_|*][size][.|_][.|`|v places][-|)][$|~cur~][B]
//   @e  scientific   @e[size][.|..|`|_.][places][B]
//   @s  strings      @s[length]
//   @d  dates        @d[0]layout[.|-|_|!|`][B]       layouts 1 to 18, values are day numbers
//   @t  times        @t[0]layout[.|-|_|`][B]         layouts 1 to 8, values are hundredths + 1
//   @p  patterns     @p<pattern>p[B]  "#" a digit, "<" a digit blank while leading zeros
//   @k  key-in       @k<pattern>k[B]  "#", "<", "@" and "?" take the value's characters in turn
// The kind letter may be written in either case, and a picture written
// without its "@" ("d17", "n-7") reads as the same picture. The layouts are
// fixed, whatever the machine's locale: @d17 is dd/mm/yyyy, @d18 a long Spanish
// date ("2 de Octubre de 2025"), @t7 HH:MM and @t8 HH:MM:SS; day, month and hour
// are always two digits, and the 12-hour layouts end in " a.m." or " p.m.".
// Numbers group by "," unless the picture says otherwise (a fill or "`" decimals
// change it), and a negative number always shows its sign, "-" when the picture
// has none. Scientific numbers write the exponent as e+003.
#include <string>
#include <string_view>

namespace rt {

enum class PictureKind { None, Number, Scientific, String, Date, Time, Pattern, KeyIn };

// A picture taken apart once, to format many values by it.
struct Picture {
  PictureKind kind = PictureKind::None;
  bool blankWhenZero = false;
  int size = -1;  // number and scientific width, string length; -1 = none given
  // Numbers.
  std::string currencyBefore, currencyAfter;
  char signBefore = 0;  // '-' or '('
  char signAfter = 0;   // '-' or ')'
  char fill = 0;        // '0', '_' or '*'; dates and times: '0'
  char grouping = ',';  // 0 for none
  char decimalMark = '.';
  bool impliedDecimals = false;  // "v": decimals without a mark
  int places = 0;
  // Dates and times.
  int layout = 0;
  std::string separator;  // "/" for dates, ":" for times unless the picture says
  // Patterns and key-in.
  std::string pattern;
};

// Nothing (kind None) when the text is not a picture of a known kind.
Picture parsePicture(std::string_view picture);

// FORMAT: the value laid out by the picture. A number is padded on the left
// to the picture's width and shown as "#"s when it does not fit; a zero value
// under a "B" picture, a date or time of 0 and a blank pattern value give an
// empty text. The text form takes the value as the runtime holds it in text
// (numbers in plain decimal text, dates as day numbers); an unknown picture
// gives the value unchanged.
std::string format(double value, const Picture& picture);
std::string format(std::string_view value, const Picture& picture);
std::string format(double value, std::string_view picture);
std::string format(std::string_view value, std::string_view picture);

// DEFORMAT: the value a text shows under the picture, in the runtime's text
// form: numbers as plain decimal text ("1234.5"), dates as day numbers, times
// as hundredths + 1, strings and key-in values as typed. Blank text reads as
// "0" for numbers, dates, times and patterns. Text that cannot be read under a
// date or time picture (a 31 February, minutes past 59) gives an empty text.
std::string deformat(std::string_view text, const Picture& picture);
std::string deformat(std::string_view text, std::string_view picture);

}  // namespace rt
