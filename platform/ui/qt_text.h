#pragma once
// The boundary between runtime text (CP1252 bytes) and Qt's QString. Every
// text that goes on screen or comes back from a control passes here.
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

QString toQString(std::string_view cp1252);
// Characters without a CP1252 byte become '?': check with
// firstOutsideCp1252 before the text is stored.
std::string fromQString(const QString& text);

// A character of screen text that runtime text cannot hold.
struct OutsideCharacter {
  char32_t codePoint = 0;
  qsizetype position = 0;  // in UTF-16 units, where it first appears
  qsizetype length = 0;    // 2 for a character beyond the 16-bit plane
};
// The distinct characters of `text` without a CP1252 byte, in the order they
// first appear; empty when the whole text converts as it reads.
std::vector<OutsideCharacter> outsideCp1252(const QString& text);

}  // namespace rt
