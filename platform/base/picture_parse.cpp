#include <algorithm>
#include <cctype>

#include "platform/base/picture.h"

namespace rt {
namespace {

// More decimals than a double holds add nothing.
constexpr int kMaxPlaces = 30;

// Reads the picture's tokens left to right; every token is optional.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }
  // One character of the set, or 0.
  char take(std::string_view set) {
    const char c = peek();
    if (c == '\0' || set.find(c) == std::string_view::npos) return 0;
    ++pos_;
    return c;
  }
  // A run of digits as a number, or -1 when there is none.
  int digits(std::size_t maxCount = 6) {
    int value = -1;
    for (std::size_t n = 0; n < maxCount && std::isdigit(static_cast<unsigned char>(peek())); ++n) {
      value = (value < 0 ? 0 : value * 10) + (text_[pos_++] - '0');
    }
    return value;
  }
  // "$" or a text between two "~".
  std::string currency() {
    if (take("$")) return "$";
    if (peek() != '~') return {};
    const std::size_t close = text_.find('~', pos_ + 1);
    if (close == std::string_view::npos) return {};
    std::string result(text_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    return result;
  }
  std::string_view rest() const { return text_.substr(pos_ < text_.size() ? pos_ : text_.size()); }
  void skip(std::size_t n) { pos_ += n; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

void parseNumber(Reader& r, Picture& p) {
  p.currencyBefore = r.currency();
  p.signBefore = r.take("-(");
  p.fill = r.take("0_*");
  p.size = r.digits();
  const char grouping = r.take("._");
  char separator = r.take(".vV`");
  if (!separator && grouping == '.') {
    separator = '.';
  } else if (grouping) {
    p.grouping = grouping == '_' ? ' ' : '.';
  } else if (p.fill) {
    p.grouping = 0;  // a fill replaces the grouping
  }
  p.impliedDecimals = separator == 'v' || separator == 'V';
  p.decimalMark = separator == '`' ? ',' : '.';
  if (p.decimalMark == ',' && p.grouping == ',') p.grouping = '.';  // 1.234,50
  p.places = std::clamp(separator ? r.digits() : 0, 0, kMaxPlaces);
  p.signAfter = r.take("-)");
  p.currencyAfter = r.currency();
  p.blankWhenZero = r.take("Bb");
}

void parseScientific(Reader& r, Picture& p) {
  p.size = r.digits();
  std::string token;
  while (token.size() < 2) {
    const char c = r.take("._`");
    if (!c) break;
    token += c;
  }
  p.grouping = ',';
  p.decimalMark = '.';
  if (token == "..") {
    p.grouping = '.';
  } else if (token == "`") {
    p.decimalMark = ',';
    p.grouping = '.';
  } else if (token == "_.") {
    p.grouping = ' ';
  }
  p.places = std::clamp(r.digits(), 0, kMaxPlaces);
  p.blankWhenZero = r.take("Bb");
}

std::string separatorFor(char token, const char* otherwise) {
  switch (token) {
    case '.':
      return ".";
    case '-':
      return "-";
    case '_':
      return " ";
    case '`':
      return ",";
    case '!':
      return "";
    default:
      return otherwise;
  }
}

void parseDate(Reader& r, Picture& p) {
  p.fill = r.take("0");
  p.layout = r.digits();
  p.separator = separatorFor(r.take(".-_!`"), "/");
  // Direction, range and the "now"/Unix flags belong to the string library's
  // own pictures; they are read past and do not change the layout.
  r.take("<>");
  r.digits(2);
  p.blankWhenZero = r.take("Bb");
  r.take("Uu");
  r.take("Mm");
  r.take("Ll");
  r.take("Tt");
  if (p.layout < 1 || p.layout > 18 || !r.atEnd()) p.kind = PictureKind::None;
}

void parseTime(Reader& r, Picture& p) {
  p.fill = r.take("0");
  p.layout = r.digits();
  p.separator = separatorFor(r.take(".-_`"), ":");
  // Flags in any order among the next five characters; only "B" matters here.
  // A number picture for the hours may follow after an "@"; it is ignored.
  const std::string_view flags = r.rest().substr(0, 5);
  p.blankWhenZero = flags.find_first_of("Bb") != std::string_view::npos;
  while (r.take("BbUuMmZzLlTt")) {
  }
  if (p.layout < 1 || p.layout > 8 || !(r.atEnd() || r.peek() == '@')) p.kind = PictureKind::None;
}

void parsePattern(Reader& r, Picture& p, char letter) {
  const std::string_view rest = r.rest();
  const std::size_t close = rest.find(letter);
  if (close == std::string_view::npos) {
    p.kind = PictureKind::None;
    return;
  }
  p.pattern = std::string(rest.substr(0, close));
  r.skip(close + 1);
  p.blankWhenZero = r.take("Bb");
  if (!r.atEnd()) p.kind = PictureKind::None;
}

}  // namespace

Picture parsePicture(std::string_view picture) {
  while (!picture.empty() && picture.back() == ' ') picture.remove_suffix(1);
  if (!picture.empty() && picture.front() == '@') picture.remove_prefix(1);
  Picture p;
  if (picture.empty()) return p;
  const char letter = picture.front();
  Reader r(picture.substr(1));
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'N':
      p.kind = PictureKind::Number;
      parseNumber(r, p);
      if (!r.atEnd()) p.kind = PictureKind::None;
      break;
    case 'E':
      p.kind = PictureKind::Scientific;
      parseScientific(r, p);
      if (!r.atEnd()) p.kind = PictureKind::None;
      break;
    case 'S':
      p.kind = PictureKind::String;
      p.size = r.atEnd() ? -1 : r.digits();
      if (!r.atEnd()) p.kind = PictureKind::None;
      break;
    case 'D':
      p.kind = PictureKind::Date;
      parseDate(r, p);
      break;
    case 'T':
      p.kind = PictureKind::Time;
      parseTime(r, p);
      break;
    case 'P':
    case 'K':
      p.kind = std::toupper(static_cast<unsigned char>(letter)) == 'P' ? PictureKind::Pattern
                                                                       : PictureKind::KeyIn;
      parsePattern(r, p, letter);
      break;
    default:
      break;
  }
  return p;
}

}  // namespace rt
