#pragma once
// The boundary between runtime text (CP1252 bytes) and Qt's QString. Every
// text that goes on screen or comes back from a control passes here.
#include <QString>
#include <string>
#include <string_view>

namespace rt {

QString toQString(std::string_view cp1252);
// Characters without a CP1252 byte become '?'.
std::string fromQString(const QString& text);

}  // namespace rt
