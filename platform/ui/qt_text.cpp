#include "platform/ui/qt_text.h"

#include <QList>

#include "platform/base/cp1252.h"

namespace rt {

QString toQString(std::string_view cp1252) {
  QString out;
  out.reserve(static_cast<qsizetype>(cp1252.size()));
  for (const char c : cp1252) out += QChar(cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string toCp1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (const char32_t cp : text.toUcs4()) {
    const int byte = codePointToCp1252(cp);
    out += (byte != 0 || cp == 0) ? static_cast<char>(byte) : '?';
  }
  return out;
}

}  // namespace rt
