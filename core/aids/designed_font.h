#pragma once
// The font the program's windows are designed in, before the user's font
// replaces it; the message window and the calendar keep it.
#include <QFont>

namespace core {

inline QFont designedWindowFont() { return QFont("MS Sans Serif", 8); }

}  // namespace core
