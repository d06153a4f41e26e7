#pragma once
// Qt's side of the text boundary: runtime text (CP1252 bytes) to and from QString,
// through the one CP1252 codec of the platform base.
#include <QString>
#include <string>
#include <string_view>

namespace rt {

QString toQString(std::string_view cp1252);
// Characters without a CP1252 byte become '?'.
std::string toCp1252(const QString& text);

}  // namespace rt
