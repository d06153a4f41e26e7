#include "platform/ui/dialog_units.h"

#include <QFontMetrics>

namespace rt {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  charWidth_ = metrics.averageCharWidth();
  charHeight_ = metrics.height();
}

// Rounded to the nearest pixel, as the runtime converts.
int DialogUnits::x(int units) const { return (units * charWidth_ + 2) / 4; }
int DialogUnits::y(int units) const { return (units * charHeight_ + 4) / 8; }

}  // namespace rt
