#include "core/aids/control_colouring.h"

#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"

namespace core {
namespace {

constexpr long kPaleOrange = 0xE0F0FF;
constexpr long kLightGrey = 0xF0F0F0;
constexpr long kPaleGreen = 0xE8FFE8;
constexpr long kIvory = 0xF0FFFF;
constexpr long kPaleYellow = 0xF8FFFF;
constexpr long kPaleBlue = 0xFFE8E8;
constexpr long kNearWhite = 0xF8F8F8;
constexpr int kMinimumHeight = 9;  // dialog units

// A control lower than the minimum gets the minimum; a higher one keeps its
// height. A control given a fixed height keeps it fixed.
void applyMinimumHeight(QWidget* control, const rt::DialogUnits& units) {
  const int minimum = units.y(kMinimumHeight);
  const bool fixed = control->minimumHeight() == control->maximumHeight();
  const int designed = fixed ? control->maximumHeight() : control->sizeHint().height();
  if (designed >= minimum) return;
  if (fixed) {
    control->setFixedHeight(minimum);
  } else {
    control->setMinimumHeight(minimum);
  }
}

// The new background, or kNoColor to leave the control's own.
long backgroundFor(rt::ControlKind kind, const QWidget* c) {
  const bool marked = rt::isRequired(c) || rt::backgroundColor(c) != rt::kNoColor;
  const bool readOnly = rt::isReadOnly(c);
  switch (kind) {
    case rt::ControlKind::Entry:
    case rt::ControlKind::Spin:
      if (marked) return kPaleOrange;
      if (readOnly) return kLightGrey;
      if (rt::picture(c).contains(QLatin1Char('$'))) return kPaleGreen;
      return rt::kNoColor;
    case rt::ControlKind::Text:
      return marked ? kIvory : readOnly ? kLightGrey : kPaleYellow;
    case rt::ControlKind::Option:
    case rt::ControlKind::Radio:
      return marked ? kPaleOrange : rt::kNoColor;
    case rt::ControlKind::Check:
      return marked ? kPaleBlue : rt::kNoColor;
    case rt::ControlKind::Combo:
      // A drop combo's required attribute does not count here.
      if (rt::backgroundColor(c) != rt::kNoColor) return kPaleOrange;
      return readOnly ? kLightGrey : rt::kNoColor;
    case rt::ControlKind::List:
    case rt::ControlKind::DropList:
      return marked ? kNearWhite : readOnly ? kLightGrey : kNearWhite;
    default:
      return rt::kNoColor;
  }
}

bool hasMinimumHeight(rt::ControlKind kind) {
  switch (kind) {
    case rt::ControlKind::Entry:
    case rt::ControlKind::Spin:
    case rt::ControlKind::Check:
    case rt::ControlKind::Combo:
    case rt::ControlKind::List:
    case rt::ControlKind::DropList:
    case rt::ControlKind::Button:
      return true;
    default:
      return false;
  }
}

}  // namespace

void ColorearControles(QWidget* window) {
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  for (QWidget* control : rt::windowControls(window)) {
    const rt::ControlKind kind = rt::controlKind(control);
    // A check box takes its height before its colour, the others after.
    if (kind == rt::ControlKind::Check) applyMinimumHeight(control, units);
    if (const long colour = backgroundFor(kind, control); colour != rt::kNoColor) {
      rt::setBackgroundColor(control, colour);
    }
    if (kind != rt::ControlKind::Check && hasMinimumHeight(kind)) {
      applyMinimumHeight(control, units);
    }
  }
}

}  // namespace core
