// Building display pictures back from the fields of a PictureSpec.
#include <string>

#include "platform/base/cp1252.h"
#include "textlib/picture_spec.h"
#include "textlib/value_text.h"

namespace textlib {
namespace {

constexpr std::size_t kPictureWidth = 251;

void appendIfSet(std::string& picture, const std::string& field, std::string_view letter) {
  if (PictureSpec::isSet(field)) picture += letter;
}

}  // namespace

std::string PictureSpec::storePicture(std::string picture) {
  PIC.assign(rt::clip(std::string_view(picture).substr(0, kPictureWidth)));
  return PIC;
}

std::string PictureSpec::BuildPicture(std::string_view kind, bool useOwn, int mode) {
  const std::string_view letter =
      useOwn || rt::clip(kind).empty() ? std::string_view(PICTYPE) : kind;
  switch (letter.empty() ? '\0' : letter[0]) {
    case 'D':
    case 'd':
      return BuildDatePicture(mode);
    case 'T':
    case 't':
      return BuildTimePicture(mode);
    case 'H':
    case 'h':
      return BuildHoursPicture();
    case 'S':
    case 's':
      return BuildStringPicture(mode);
    case 'E':
    case 'e':
      return BuildScientificPicture();
    case 'N':
    case 'n':
      return BuildNumberPicture();
    case 'P':
    case 'p':
      return BuildPatternPicture();
    case 'K':
    case 'k':
      return BuildKeyInPicture();
    case 'U':
    case 'u':
      return BuildUnixPicture();
    case 'X':
    case 'x':
      return BuildHexPicture();
    default:
      return PIC;
  }
}

// Mode bit 0 asks for a picture the platform's date formatting reads: the
// "!" separator stays, and the "now" and Unix flags are left out.
std::string PictureSpec::BuildDatePicture(int mode) {
  const bool forPlatform = (mode & 1) != 0;
  std::string p = "@D";
  appendIfSet(p, FILL, "0");
  p += rt::clip(N);
  if (rt::clip(S) != "!" || forPlatform) p += rt::clip(S);
  if (isSet(DIRECTION)) {
    p += rt::clip(DIRECTION);
    p += rt::clip(RANGE);
  }
  appendIfSet(p, B, "B");
  if (!forPlatform) {
    appendIfSet(p, U, "U");
    appendIfSet(p, LOCAL, "L");
    appendIfSet(p, UTC, "T");
  }
  return storePicture(std::move(p));
}

std::string PictureSpec::BuildTimePicture(int mode) {
  const bool forPlatform = (mode & 1) != 0;
  std::string p = "@T";
  appendIfSet(p, FILL, "0");
  const std::int64_t layout = value_text::leadingNumber(N);
  if (forPlatform && (layout < 1 || layout > 8)) {
    p += "1";
  } else {
    p += rt::clip(N);
  }
  p += rt::clip(S);
  appendIfSet(p, B, "B");
  if (!forPlatform) {
    appendIfSet(p, U, "U");
    appendIfSet(p, Z, "Z");
    if (isSet(LOCAL)) {
      p += "L";
    } else {
      appendIfSet(p, UTC, "T");
    }
    p += rt::clip(NUMBERPART);
  }
  return storePicture(std::move(p));
}

std::string PictureSpec::BuildHoursPicture() {
  std::string p = BuildNumberPicture();
  p[1] = 'H';
  return storePicture(std::move(p));
}

std::string PictureSpec::BuildStringPicture(int mode) {
  const std::int64_t length = value_text::leadingNumber(LENGTH);
  if ((mode & 1) != 0) {
    if (length <= 1) return storePicture("@S1");
    if (length > 255) return storePicture("@S255");
    return storePicture("@S" + std::to_string(length));
  }
  return storePicture(length > 1 ? "@S" + std::to_string(length) : "@S");
}

std::string PictureSpec::BuildScientificPicture() {
  std::string p = "@E";
  p += rt::clip(SIZE);
  if (SEPARATOR == ".") {
    p += GROUPING == "," ? "." : GROUPING == "." ? ".." : "_.";
  } else if (SEPARATOR == ",") {
    p += "`";
  } else {
    p += ".";
  }
  p += rt::clip(N);
  appendIfSet(p, B, "B");
  return storePicture(std::move(p));
}

std::string PictureSpec::BuildNumberPicture() {
  const auto currency = [](const std::string& field) -> std::string {
    const std::string_view text = rt::clip(field);
    if (!isSet(text)) return {};
    return text == "$" ? "$" : "~" + std::string(text) + "~";
  };
  std::string p = "@N";
  p += currency(CURRENCYBEFORE);
  p += rt::clip(SIGNBEFORE);
  p += rt::clip(FILL);
  p += rt::clip(SIZE);
  p += rt::clip(GROUPING);
  if (isSet(SEPARATOR)) {
    p += rt::clip(SEPARATOR);
    p += rt::clip(PLACES);
  }
  p += rt::clip(SIGNAFTER);
  p += currency(CURRENCYAFTER);
  appendIfSet(p, B, "B");
  return storePicture(std::move(p));
}

std::string PictureSpec::buildLaidPattern(char kind) {
  // The closing letter must not occur in the pattern: the lower-case letter
  // closes a pattern that holds the upper-case one.
  const std::string_view pattern = rt::clip(PATTERN);
  const char letter =
      pattern.find(kind) != std::string_view::npos ? static_cast<char>(kind | 0x20) : kind;
  std::string p = "@";
  p += letter;
  p += pattern;
  p += letter;
  appendIfSet(p, B, "B");
  return storePicture(std::move(p));
}

std::string PictureSpec::BuildPatternPicture() { return buildLaidPattern('P'); }

std::string PictureSpec::BuildKeyInPicture() { return buildLaidPattern('K'); }

std::string PictureSpec::BuildUnixPicture() {
  std::string p = "@U";
  p += rt::clip(N);
  // A space separator is written too: left out, the letters after it would
  // read as the separator.
  p += SEPARATOR.substr(0, 1);
  appendIfSet(p, MILLI, "M");
  appendIfSet(p, SERIALDATE, "D");
  appendIfSet(p, SERIALTIME, "T");
  p += rt::clip(DATEPART);
  p += rt::clip(TIMEPART);
  return storePicture(std::move(p));
}

std::string PictureSpec::BuildHexPicture() {
  std::string p = "@X";
  p += rt::clip(N);
  p += rt::clip(S);
  return storePicture(std::move(p));
}

}  // namespace textlib
