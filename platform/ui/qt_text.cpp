#include "platform/ui/qt_text.h"

#include "platform/base/cp1252.h"

namespace rt {

QString toQString(std::string_view cp1252) {
  const std::string utf8 = cp1252ToUtf8(cp1252);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string fromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace rt
