#include "platform/ui/qt_text.h"

#include <algorithm>

#include "platform/base/cp1252.h"

namespace rt {

// Character by character through the codec's tables: rich-text notes of
// 25,000 characters cross this boundary on every keystroke's refresh.
QString toQString(std::string_view cp1252) {
  QString out(static_cast<qsizetype>(cp1252.size()), Qt::Uninitialized);
  QChar* at = out.data();
  for (const char c : cp1252) *at++ = QChar(cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string fromQString(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    if (unit < 0x80) {
      out += static_cast<char>(unit);
      continue;
    }
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      out += '?';  // no character beyond the 16-bit plane has a CP1252 byte
      ++i;
      continue;
    }
    const int byte = codePointToCp1252(unit);
    out += byte != 0 ? static_cast<char>(byte) : '?';
  }
  return out;
}

std::vector<OutsideCharacter> outsideCp1252(const QString& text) {
  std::vector<OutsideCharacter> found;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    if (unit < 0x80) continue;
    OutsideCharacter c{unit, i, 1};
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = {QChar::surrogateToUcs4(unit, text[i + 1].unicode()), i, 2};
      ++i;
    } else if (codePointToCp1252(unit) != 0) {
      continue;
    }
    const bool seen = std::any_of(found.begin(), found.end(), [&](const OutsideCharacter& f) {
      return f.codePoint == c.codePoint;
    });
    if (!seen) found.push_back(c);
  }
  return found;
}

}  // namespace rt
