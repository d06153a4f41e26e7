#include "platform/ui/control_colors.h"

#include <QAbstractButton>
#include <QVariant>
#include <QWidget>

#include "platform/ui/control_kinds.h"

namespace rt {
namespace {

constexpr char kBackground[] = "rtBackgroundColor";
constexpr char kRequired[] = "rtRequired";

// Buttons and check boxes paint their face in Button, entries and lists their
// entry area in Base; labels and panels their surface in Window.
// A drop-down list without an entry paints its face as a button does; check
// boxes and radio buttons fill their whole area.
QPalette::ColorRole backgroundRole(const QWidget* control) {
  switch (controlKind(control)) {
    case ControlKind::Button:
    case ControlKind::DropList:
      return QPalette::Button;
    case ControlKind::Entry:
    case ControlKind::Spin:
    case ControlKind::Text:
    case ControlKind::RichText:
    case ControlKind::Combo:
    case ControlKind::List:
      return QPalette::Base;
    default:
      return QPalette::Window;
  }
}

}  // namespace

QColor fromBgr(long bgr) {
  const auto v = static_cast<unsigned long>(bgr) & 0xFFFFFFul;
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

long toBgr(const QColor& color) {
  return static_cast<long>(color.red()) | (static_cast<long>(color.green()) << 8) |
         (static_cast<long>(color.blue()) << 16);
}

void setBackgroundColor(QWidget* control, long bgr) {
  const QPalette::ColorRole role = backgroundRole(control);
  QPalette palette = control->palette();
  if (bgr == kNoColor) {
    control->setProperty(kBackground, QVariant());
    const QPalette inherited =
        control->parentWidget() != nullptr ? control->parentWidget()->palette() : QPalette();
    palette.setBrush(role, inherited.brush(role));
  } else {
    control->setProperty(kBackground, QVariant::fromValue<qlonglong>(bgr & 0xFFFFFF));
    palette.setColor(role, fromBgr(bgr));
  }
  control->setPalette(palette);
  if (role == QPalette::Window) control->setAutoFillBackground(bgr != kNoColor);
}

long backgroundColor(const QWidget* control) {
  const QVariant v = control->property(kBackground);
  return v.isValid() ? static_cast<long>(v.toLongLong()) : kNoColor;
}

void setFontColor(QWidget* control, long bgr) {
  QPalette palette = control->palette();
  const QPalette inherited =
      control->parentWidget() != nullptr ? control->parentWidget()->palette() : QPalette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    if (bgr == kNoColor) {
      palette.setBrush(role, inherited.brush(role));
    } else {
      palette.setColor(role, fromBgr(bgr));
    }
  }
  control->setPalette(palette);
}

void setRequired(QWidget* control, bool required) { control->setProperty(kRequired, required); }

bool isRequired(const QWidget* control) { return control->property(kRequired).toBool(); }

}  // namespace rt
