#include "platform/ui/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>

namespace rt {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  charWidth_ = metrics.averageCharWidth();
  charHeight_ = metrics.height();
}

// Rounded to the nearest pixel, as the runtime converts.
int DialogUnits::x(int units) const { return (units * charWidth_ + 2) / 4; }
int DialogUnits::y(int units) const { return (units * charHeight_ + 4) / 8; }

int DialogUnits::unitsX(int pixels) const {
  return charWidth_ > 0 ? (pixels * 4 + charWidth_ / 2) / charWidth_ : 0;
}
int DialogUnits::unitsY(int pixels) const {
  return charHeight_ > 0 ? (pixels * 8 + charHeight_ / 2) / charHeight_ : 0;
}

DialogUnits DialogUnits::of(const QWidget* window) { return DialogUnits(window->font()); }

}  // namespace rt
