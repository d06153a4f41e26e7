#include "core/aids/focus_marker.h"

#include <QApplication>
#include <QEvent>
#include <QTabWidget>
#include <QToolBar>

#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

using rt::ControlKind;

bool isMarkable(ControlKind kind) {
  switch (kind) {
    case ControlKind::Entry:
    case ControlKind::Spin:
    case ControlKind::Text:
    case ControlKind::RichText:
    case ControlKind::Combo:
    case ControlKind::DropList:
    case ControlKind::List:
    case ControlKind::Check:
    case ControlKind::Radio:
    case ControlKind::Option:
      return true;
    default:
      return false;
  }
}

bool isPainted(ControlKind kind) {
  return kind != ControlKind::List && kind != ControlKind::DropList &&
         kind != ControlKind::RichText;
}

bool inToolbar(const QWidget* control) {
  for (const QWidget* w = control; w != nullptr; w = w->parentWidget()) {
    if (qobject_cast<const QToolBar*>(w)) return true;
  }
  return false;
}

constexpr char kOwner[] = "rtFocusMarker";

}  // namespace

void FocusMarker::Setup(QWidget* window, Options options) {
  window_ = window;
  options_ = options;
  window->setProperty(kOwner, QVariant::fromValue(static_cast<QObject*>(this)));
  QObject::connect(qApp, &QApplication::focusChanged, this,
                   [this](QWidget*, QWidget* now) { focusMoved(now); });
  window->installEventFilter(this);
  for (QTabWidget* sheet : window->findChildren<QTabWidget*>()) {
    QObject::connect(sheet, &QTabWidget::currentChanged, this,
                     [this] { focusMoved(QApplication::focusWidget()); });
  }
  focusMoved(QApplication::focusWidget());
}

bool FocusMarker::eventFilter(QObject* watched, QEvent* event) {
  // A resized window marks the same control again.
  if (watched == window_ && event->type() == QEvent::Resize && marked_) {
    QWidget* control = marked_;
    unmark();
    mark(control);
  }
  return false;
}

// The innermost window with a marker of its own holds the control.
bool FocusMarker::owns(QWidget* control) const {
  for (QWidget* w = control; w != nullptr; w = w->parentWidget()) {
    const QVariant owner = w->property(kOwner);
    if (owner.isValid()) return owner.value<QObject*>() == this;
  }
  return false;
}

void FocusMarker::focusMoved(QWidget* now) {
  if (!window_) return;
  QWidget* control = now != nullptr ? rt::owningControl(now) : nullptr;
  // The focus left for another window (or none): the field looks as before.
  if (control == nullptr || !window_->isAncestorOf(control) || !owns(control)) {
    unmark();
    return;
  }
  if (control == marked_) return;
  unmark();
  mark(control);
}

QLabel* FocusMarker::indicator() const {
  return indicator_ && indicator_->isVisible() ? indicator_.data() : nullptr;
}

void FocusMarker::showIndicator(QWidget* control) {
  QWidget* parent = control->parentWidget();
  if (parent == nullptr) return;
  if (!indicator_ || indicator_->parentWidget() != parent) {
    delete indicator_;
    indicator_ = new QLabel(rt::toQString(options_.indicatorCharacter), parent);
    indicator_->setObjectName("rtFocusIndicator");
    indicator_->setAttribute(Qt::WA_TransparentForMouseEvents);
    rt::setFontColor(indicator_, options_.indicatorColor);
  }
  const int offset = rt::DialogUnits::of(control->window()).x(options_.indicatorOffset);
  indicator_->adjustSize();
  indicator_->move(control->x() - offset, control->y());
  indicator_->raise();
  indicator_->show();
}

void FocusMarker::mark(QWidget* control) {
  if (control == nullptr || inToolbar(control) || !control->isVisible() ||
      !isMarkable(rt::controlKind(control))) {
    marked_ = nullptr;
    return;
  }
  marked_ = control;
  if (options_.displayIndicator) showIndicator(control);
  painted_ = options_.changeColor && isPainted(rt::controlKind(control));
  if (!painted_) return;
  savedPalette_ = control->palette();
  savedColor_ = rt::backgroundColor(control);
  savedAutoFill_ = control->autoFillBackground();
  savedFont_ = control->font();
  if (options_.useBoldText) {
    QFont bold = control->font();
    bold.setBold(true);
    control->setFont(bold);
  }
  rt::setBackgroundColor(control, rt::isRequired(control) ? options_.backgroundColorRequired
                                                          : options_.backgroundColor);
}

void FocusMarker::unmark() {
  QWidget* control = marked_;
  marked_ = nullptr;
  if (indicator_) indicator_->hide();
  if (control == nullptr || !painted_) return;
  painted_ = false;
  rt::setBackgroundColor(control, savedColor_);
  control->setPalette(savedPalette_);
  control->setAutoFillBackground(savedAutoFill_);
  if (options_.useBoldText) control->setFont(savedFont_);
}

}  // namespace core
