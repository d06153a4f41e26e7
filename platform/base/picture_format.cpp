#include <cmath>

#include "platform/base/number_text.h"
#include "platform/base/picture.h"
#include "platform/base/picture_kinds.h"

namespace rt {
namespace {

std::string digitsOf(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

std::string stringValue(std::string_view value, const Picture& p) {
  if (p.size >= 0 && value.size() > static_cast<std::size_t>(p.size))
    value = value.substr(0, p.size);
  return std::string(value);
}

}  // namespace

using namespace picture_kinds;

std::string format(double value, const Picture& p) {
  switch (p.kind) {
    case PictureKind::Number:
      return formatNumber(value, p);
    case PictureKind::Scientific:
      return formatScientific(value, p);
    case PictureKind::Date:
      return formatDate(value, p);
    case PictureKind::Time:
      return formatTime(value, p);
    case PictureKind::Pattern:
      return formatPattern(numberText(std::round(std::fabs(value))), p);
    case PictureKind::String:
      return stringValue(numberText(value), p);
    case PictureKind::KeyIn:
      return formatKeyIn(numberText(value), p);
    case PictureKind::None:
      break;
  }
  return numberText(value);
}

std::string format(std::string_view value, const Picture& p) {
  switch (p.kind) {
    case PictureKind::String:
      return stringValue(value, p);
    case PictureKind::KeyIn:
      return formatKeyIn(value, p);
    case PictureKind::Pattern:
      return formatPattern(digitsOf(value), p);
    case PictureKind::None:
      return std::string(value);
    default:
      return format(numericValue(value), p);
  }
}

std::string format(double value, std::string_view picture) {
  return format(value, parsePicture(picture));
}

std::string format(std::string_view value, std::string_view picture) {
  return format(value, parsePicture(picture));
}

std::string deformat(std::string_view text, const Picture& p) {
  switch (p.kind) {
    case PictureKind::Number:
      return deformatNumber(text, p);
    case PictureKind::Scientific:
      return deformatScientific(text, p);
    case PictureKind::Date:
      return deformatDate(text, p);
    case PictureKind::Time:
      return deformatTime(text, p);
    case PictureKind::Pattern:
      return deformatPattern(text, p);
    case PictureKind::KeyIn:
      return deformatKeyIn(text, p);
    case PictureKind::String:
      return stringValue(text, p);
    case PictureKind::None:
      break;
  }
  return std::string(text);
}

std::string deformat(std::string_view text, std::string_view picture) {
  return deformat(text, parsePicture(picture));
}

}  // namespace rt
