#include "core/focus_marker.h"

#include <QApplication>
#include <QEvent>
#include <QTabWidget>
#include <QToolBar>

#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"

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

}  // namespace

void FocusMarker::Setup(QWidget* window, Options options) {
  window_ = window;
  options_ = options;
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

void FocusMarker::focusMoved(QWidget* now) {
  if (!window_ || now == nullptr || !window_->isAncestorOf(now)) return;
  QWidget* control = rt::owningControl(now);
  if (control == marked_) return;
  unmark();
  mark(control);
}

void FocusMarker::mark(QWidget* control) {
  if (control == nullptr || inToolbar(control) || !control->isVisible() ||
      !isMarkable(rt::controlKind(control))) {
    marked_ = nullptr;
    return;
  }
  marked_ = control;
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
  if (control == nullptr || !painted_) return;
  painted_ = false;
  rt::setBackgroundColor(control, savedColor_);
  control->setPalette(savedPalette_);
  control->setAutoFillBackground(savedAutoFill_);
  if (options_.useBoldText) control->setFont(savedFont_);
}

}  // namespace core
