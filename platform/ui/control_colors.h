#pragma once
// Colours as the data keeps them: 24-bit values with blue in the high byte,
// then green, then red (0x0000FF is red). Every colour read from a table, a
// setting or the program's constants reaches the screen through here.
#include <QColor>

class QWidget;

namespace rt {

constexpr long kNoColor = -1;

// A blue-green-red value (bits above 24 ignored) as a Qt colour.
QColor fromBgr(long bgr);
long toBgr(const QColor& color);

// A control's own background colour, kNoColor when it has none: the colour
// its entry area (or its face, for buttons and check boxes) is painted in.
void setBackgroundColor(QWidget* control, long bgr);
long backgroundColor(const QWidget* control);

// A control's font colour; kNoColor gives the control back the window's.
void setFontColor(QWidget* control, long bgr);

// Whether an entry must be filled in (the control's required attribute).
void setRequired(QWidget* control, bool required);
bool isRequired(const QWidget* control);

}  // namespace rt
