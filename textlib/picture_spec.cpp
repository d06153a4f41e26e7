// Taking display pictures apart, and the token readers the parse is built on.
#include "textlib/picture_spec.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"
#include "textlib/value_text.h"

namespace textlib {
namespace {

constexpr std::string_view kDigits = "0123456789";
constexpr std::size_t kPictureWidth = 251;

// Stores a value in a fixed-width field: cut to the width.
void put(std::string& field, std::string_view value, std::size_t width) {
  field.assign(value.substr(0, width));
}

std::string oneChar(char c) { return std::string(1, c); }

// The character a date or time separator token stands for.
std::string partSeparator(const std::string& token, std::string_view otherwise) {
  if (token == "." || token == "-") return token;
  if (token == "_") return " ";
  if (token == "`") return ",";
  if (token == "!") return {};
  return std::string(otherwise);
}

// The picture an operation works on: the argument, or PIC when asked for or
// when the argument is empty; trailing spaces removed and cut to PIC's width.
std::string workingPicture(std::string_view picture, bool useOwn, const std::string& own) {
  const std::string_view source = useOwn || picture.empty() ? std::string_view(own) : picture;
  return std::string(rt::clip(rt::clip(source).substr(0, kPictureWidth)));
}

// The picture when it is of the given kind ("@" and the letter in any case).
std::optional<std::string> pictureOfKind(std::string_view picture, bool useOwn,
                                         const std::string& own, char letter) {
  std::string text = workingPicture(picture, useOwn, own);
  if (text.size() < 2 || text[0] != '@' || rt::upperChar(text[1]) != letter) return std::nullopt;
  return text;
}

}  // namespace

bool PictureSpec::isSet(std::string_view field) {
  return field.find_first_not_of(' ') != std::string_view::npos;
}

void PictureSpec::Trace(std::string_view text) { value_text::trace(text); }

// ---- Token readers -----------------------------------------------------------

std::string PictureSpec::TakeChars_(const char* buffer, int bufferSize, int& position, int maxCount,
                                    std::string_view charClass) {
  const std::string_view text =
      buffer != nullptr && bufferSize > 0
          ? std::string_view(buffer, strnlen(buffer, static_cast<std::size_t>(bufferSize)))
          : std::string_view();
  return TakeCharsFrom_(text, position, maxCount, charClass);
}

std::string PictureSpec::TakeCharsFrom_(std::string_view text, int& position, int maxCount,
                                        std::string_view charClass) {
  text = rt::clip(text);
  const auto length = static_cast<std::int64_t>(text.size());
  if (position < 1 || position > length || maxCount < 0) return {};
  std::int64_t limit = length;
  if (maxCount > 0) limit = std::min<std::int64_t>(length, std::int64_t{position} + maxCount - 1);
  const int start = position;
  while (position <= limit && charClass.find(text[position - 1]) != std::string_view::npos) {
    ++position;
  }
  return std::string(text.substr(start - 1, position - start));
}

std::string PictureSpec::TakeDelimited_(const char* buffer, int bufferSize, int& position,
                                        char delimiter) {
  const std::string_view text =
      buffer != nullptr && bufferSize > 0
          ? std::string_view(buffer, strnlen(buffer, static_cast<std::size_t>(bufferSize)))
          : std::string_view();
  return TakeDelimitedFrom_(text, position, delimiter);
}

std::string PictureSpec::TakeDelimitedFrom_(std::string_view text, int& position, char delimiter) {
  text = rt::clip(text);
  const auto length = static_cast<std::int64_t>(text.size());
  if (position < 1 || position > length || text[position - 1] != delimiter) return {};
  const std::size_t open = static_cast<std::size_t>(position - 1);
  const std::size_t close = text.find(delimiter, open + 1);
  if (close == std::string_view::npos) {
    position = static_cast<int>(length) + 1;
    return {};
  }
  position = static_cast<int>(close) + 2;
  return std::string(text.substr(open + 1, close - open - 1));
}

// ---- Taking apart --------------------------------------------------------------

std::optional<std::string> PictureSpec::beginKind(std::string_view picture, bool useOwn,
                                                  char letter) {
  auto text = pictureOfKind(picture, useOwn, PIC, letter);
  if (text) {
    PIC = *text;
    PICTYPE = oneChar(letter);
  }
  return text;
}

int PictureSpec::ParsePicture(std::string_view picture, bool useOwn) {
  PIC = workingPicture(picture, useOwn, PIC);
  if (PIC.size() < 2 || PIC[0] != '@') return 1;
  switch (rt::upperChar(PIC[1])) {
    case 'N':
      return ParseNumberPicture(PIC, true);
    case 'D':
      return ParseDatePicture(PIC, true);
    case 'S':
      return ParseStringPicture(PIC, true);
    case 'T':
      return ParseTimePicture(PIC, true);
    case 'H':
      return ParseHoursPicture(PIC, true);
    case 'E':
      return ParseScientificPicture(PIC, true);
    case 'P':
      return ParsePatternPicture(PIC, true);
    case 'K':
      return ParseKeyInPicture(PIC, true);
    case 'U':
      return ParseUnixPicture(PIC, true);
    case 'X':
      return ParseHexPicture(PIC, true);
    default:
      return 1;
  }
}

int PictureSpec::ParseNumberPicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'N');
  if (!text) return 1;
  int pos = 3;
  const auto take = [&](std::string_view set, int max) {
    return TakeCharsFrom_(*text, pos, max, set);
  };
  const auto currency = [&] {
    std::string c = take("$", 1);
    return c.empty() ? TakeDelimitedFrom_(*text, pos, '~') : c;
  };
  put(CURRENCYBEFORE, currency(), 10);
  put(SIGNBEFORE, take("-(", 1), 1);
  put(FILL, take("0_*", 1), 1);
  put(SIZE, take(kDigits, 0), 6);
  put(GROUPING, take("._", 1), 1);
  put(SEPARATOR, take(".vV`", 1), 1);
  if (SEPARATOR.empty() && GROUPING == ".") {
    // A lone "." is the decimal mark, not grouping: @N10.2 has two places.
    SEPARATOR = ".";
    GROUPING.clear();
  }
  put(PLACES, take(kDigits, 0), 6);
  put(SIGNAFTER, take("-)", 1), 1);
  put(CURRENCYAFTER, currency(), 10);
  put(B, take("Bb", 1), 1);
  return 0;
}

int PictureSpec::ParseHoursPicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'H');
  if (!text) return 1;
  std::string asNumber = *text;
  asNumber[1] = 'N';
  ParseNumberPicture(asNumber, false);
  PIC = *text;
  PICTYPE = "H";
  return 0;
}

int PictureSpec::ParseScientificPicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'E');
  if (!text) return 1;
  int pos = 3;
  put(SIZE, TakeCharsFrom_(*text, pos, 0, kDigits), 6);
  put(S, TakeCharsFrom_(*text, pos, 2, "._`"), 2);
  put(N, TakeCharsFrom_(*text, pos, 0, kDigits), 6);
  put(B, TakeCharsFrom_(*text, pos, 1, "Bb"), 1);
  if (S == ".") {
    SEPARATOR = ".", GROUPING = ",";
  } else if (S == "..") {
    SEPARATOR = ".", GROUPING = ".";
  } else if (S == "`") {
    SEPARATOR = ",", GROUPING = ".";
  } else if (S == "_.") {
    SEPARATOR = ".", GROUPING = " ";
  }
  return 0;
}

int PictureSpec::ParseDatePicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'D');
  if (!text) return 1;
  int pos = 3;
  const auto take = [&](std::string_view set, int max) {
    return TakeCharsFrom_(*text, pos, max, set);
  };
  put(FILL, take("0", 1), 1);
  put(N, take(kDigits, 0), 6);
  put(S, take(".-_!`", 1), 2);
  put(DIRECTION, take("><", 1), 1);
  put(RANGE, take(kDigits, 2), 2);
  put(B, take("Bb", 1), 1);
  put(U, take("Uu", 1), 1);
  put(MILLI, take("Mm", 1), 1);
  put(LOCAL, take("Ll", 1), 1);
  put(UTC, take("Tt", 1), 1);
  SEPARATOR = partSeparator(S, "/");
  if (isSet(MILLI)) U = "U";
  return 0;
}

int PictureSpec::ParseTimePicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'T');
  if (!text) return 1;
  int pos = 3;
  put(FILL, TakeCharsFrom_(*text, pos, 1, "0"), 1);
  put(N, TakeCharsFrom_(*text, pos, 0, kDigits), 6);
  put(S, TakeCharsFrom_(*text, pos, 1, ".-_`"), 2);
  SEPARATOR = partSeparator(S, ":");
  // The flags may come in any order among the next five characters.
  const std::string_view flags = std::string_view(*text).substr(
      std::min<std::size_t>(static_cast<std::size_t>(pos - 1), text->size()), 5);
  const auto flag = [&](char upper) -> std::string {
    for (char c : flags) {
      if (rt::upperChar(c) == upper) return oneChar(c);
    }
    return {};
  };
  B = flag('B');
  U = flag('U');
  MILLI.clear();
  if (std::string m = flag('M'); !m.empty()) {
    MILLI = m;
    U = "U";
  }
  Z = flag('Z');
  LOCAL = flag('L');
  UTC = flag('T');
  // The hours are shown by a number picture of their own.
  if (static_cast<std::size_t>(pos) <= text->size() && (*text)[pos - 1] == '@') {
    const std::size_t end = text->find('@', static_cast<std::size_t>(pos));
    put(NUMBERPART,
        std::string_view(*text).substr(
            pos - 1, end == std::string::npos ? std::string::npos : end - (pos - 1)),
        kPictureWidth);
  } else {
    NUMBERPART = FILL == "0" ? "@N02" : "@N10";
  }
  return 0;
}

int PictureSpec::ParseStringPicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'S');
  if (!text) return 1;
  int pos = 3;
  if (text->size() == 2) {
    LENGTH = "-1";
  } else {
    put(LENGTH, TakeCharsFrom_(*text, pos, 0, kDigits), 4);
  }
  return 0;
}

int PictureSpec::parseLaidPattern(std::string_view picture, bool useOwn, char kind) {
  const auto text = beginKind(picture, useOwn, kind);
  if (!text) return 1;
  UPPER = oneChar((*text)[1]);
  int pos = 2;
  put(PATTERN, TakeDelimitedFrom_(*text, pos, (*text)[1]), 255);
  put(B, TakeCharsFrom_(*text, pos, 1, "Bb"), 1);
  return 0;
}

int PictureSpec::ParsePatternPicture(std::string_view picture, bool useOwn) {
  return parseLaidPattern(picture, useOwn, 'P');
}

int PictureSpec::ParseKeyInPicture(std::string_view picture, bool useOwn) {
  return parseLaidPattern(picture, useOwn, 'K');
}

int PictureSpec::ParseUnixPicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'U');
  if (!text) return 1;
  // The closing "@" lets every part below end on an "@".
  const std::string work = *text + "@";
  const auto at = [&](int p) {
    return p >= 1 && p <= static_cast<int>(work.size()) ? work[p - 1] : '\0';
  };
  const auto lowerAt = [&](int p) { return rt::lowerChar(at(p)); };
  int pos = 3;
  put(N, TakeCharsFrom_(work, pos, 0, kDigits), 6);
  if (value_text::leadingNumber(N) == 0) N = "1";
  MILLI.clear();
  SERIALDATE.clear();
  SERIALTIME.clear();
  if (at(pos) == '@') {
    if (lowerAt(pos + 1) == 'm') {
      MILLI = "m";
      ++pos;
    }
    if (at(pos + 1) == '@') {
      S = "@", SEPARATOR = "@";
      ++pos;
    } else {
      S.clear(), SEPARATOR = "T";
    }
  } else {
    const char separator = at(pos);
    S = oneChar(separator);
    SEPARATOR = separator == '_' ? " " : S;
    ++pos;
    for (;; ++pos) {
      const char c = lowerAt(pos);
      if (c == 'm') {
        MILLI = "m";
      } else if (c == 'd') {
        SERIALDATE = "d";
      } else if (c == 't') {
        SERIALTIME = "t";
      } else {
        break;
      }
    }
  }
  // A part runs from its "@" to the next one.
  const auto partAt = [&](char letter) -> std::optional<std::string> {
    if (at(pos) != '@' || rt::upperChar(at(pos + 1)) != letter) return std::nullopt;
    const std::size_t end = work.find('@', static_cast<std::size_t>(pos));
    std::string part = work.substr(pos - 1, end - (pos - 1));
    pos = static_cast<int>(end) + 1;
    return part;
  };
  const auto date = partAt('D');
  put(DATEPART, date ? *date : "@d010", kPictureWidth);
  const auto time = partAt('T');
  put(TIMEPART, time ? *time : "@t04", kPictureWidth);
  return 0;
}

int PictureSpec::ParseHexPicture(std::string_view picture, bool useOwn) {
  const auto text = beginKind(picture, useOwn, 'X');
  if (!text) return 1;
  UPPER = oneChar((*text)[1]);
  int pos = 3;
  put(N, TakeCharsFrom_(*text, pos, 0, kDigits), 6);
  S.clear();
  SEPARATOR.clear();
  if (static_cast<std::size_t>(pos) <= text->size()) {
    const char separator = (*text)[pos - 1];
    S = oneChar(separator);
    if (separator != '_') SEPARATOR = S;
    ++pos;
  }
  BASE = 16;
  if (static_cast<std::size_t>(pos) <= text->size() && rt::upperChar((*text)[pos - 1]) == 'B') {
    ++pos;
    // "B" without digits names no radix: the default stays.
    const std::string radix = TakeCharsFrom_(*text, pos, 0, kDigits);
    if (!radix.empty()) {
      BASE = value_text::clampToInt32(static_cast<double>(value_text::leadingNumber(radix)));
    }
  }
  return 0;
}

}  // namespace textlib
