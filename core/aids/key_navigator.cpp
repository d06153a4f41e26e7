#include "core/aids/key_navigator.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <algorithm>

namespace core {
namespace {

using rt::ControlKind;

// Presses a key in the control that has the focus, as the user would.
void press(QWidget* fallback, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : fallback;
  QKeyEvent down(QEvent::KeyPress, key, modifiers);
  QCoreApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, modifiers);
  QCoreApplication::sendEvent(target, &up);
}

// A small button beside an entry that opens a lookup or a calendar: "..."
// or the function key that opens it too ("F2").
bool isLookupButton(const QWidget* widget) {
  const auto* button = qobject_cast<const QAbstractButton*>(widget);
  if (button == nullptr) return false;
  static const QRegularExpression caption(QStringLiteral("^(\\.\\.\\.|F\\d{1,2})$"));
  return caption.match(button->text().remove(QLatin1Char('&')).trimmed()).hasMatch();
}

// Moves the focus on (or back) as Tab (Shift+Tab) does, past the lookup
// buttons: the next Enter would open a lookup and the keys typed after it
// land in its search box. Tab itself still reaches them.
void move(QWidget* control, bool forward) {
  // Bounded: a window of nothing but lookup buttons ends the walk.
  for (int step = 0; step < 64; ++step) {
    if (forward) {
      press(control, Qt::Key_Tab);
    } else {
      press(control, Qt::Key_Backtab, Qt::ShiftModifier);
    }
    QWidget* now = QApplication::focusWidget();
    if (now == nullptr || now == control || !isLookupButton(now)) return;
  }
}
void pressTab(QWidget* control) { move(control, true); }
void pressBacktab(QWidget* control) { move(control, false); }

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

std::vector<int> KeyNavigator::keysFor(ControlKind kind, bool keepListArrows) {
  switch (kind) {
    case ControlKind::Text:
    case ControlKind::Spin:
    case ControlKind::Combo:
    case ControlKind::Radio:
      return {Qt::Key_Return};
    case ControlKind::Entry:
      return {Qt::Key_Down, Qt::Key_Return, Qt::Key_Up};
    case ControlKind::List:
    case ControlKind::DropList:
      if (keepListArrows) return {Qt::Key_Return};
      return {Qt::Key_Return, Qt::Key_Right, Qt::Key_Left};
    case ControlKind::Button:
      return {Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left};
    case ControlKind::Check:
      return {Qt::Key_Return, Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left};
    case ControlKind::RichText:  // Enter there starts a paragraph (a list's next item)
    default:
      return {};
  }
}

void KeyNavigator::Exclude(QWidget* control) { excluded_.insert(control); }

void KeyNavigator::SetKeys(QWidget* window, bool keepListArrows) {
  for (QWidget* control : rt::windowControls(window)) {
    if (excluded_.count(control) != 0) continue;
    const std::vector<int> keys = keysFor(rt::controlKind(control), keepListArrows);
    if (keys.empty()) continue;
    std::set<int>& alerted = alerted_[control];
    for (int key : keys) {
      alerted.insert(key);
      if (key == Qt::Key_Return) alerted.insert(Qt::Key_Enter);
    }
    // A list whose arrows move between controls leaves by Tab too: its rows
    // are chosen whole, never cell by cell.
    if (auto* view = qobject_cast<QAbstractItemView*>(control);
        view != nullptr && std::count(keys.begin(), keys.end(), Qt::Key_Right) != 0) {
      view->setTabKeyNavigation(false);
    }
    // A key reaches the widget that has the focus: a combo's entry, for one.
    control->installEventFilter(this);
    for (QWidget* inner : control->findChildren<QWidget*>()) inner->installEventFilter(this);
    QObject::connect(control, &QObject::destroyed, this, [this, control] {
      alerted_.erase(control);
      excluded_.erase(control);
    });
  }
  inited_ = true;
}

bool KeyNavigator::TakeKey(QWidget* control, int key) {
  if (!inited_ || excluded_.count(control) != 0) return false;
  const auto found = alerted_.find(control);
  if (found == alerted_.end() || found->second.count(key) == 0) return false;
  const ControlKind kind = rt::controlKind(control);
  if (isEnter(key)) {
    if (kind == ControlKind::Text) return false;  // the text box breaks the line itself
    pressTab(control);
    return true;
  }
  if (key == Qt::Key_Up || key == Qt::Key_Left) {
    pressBacktab(control);
    return true;
  }
  if (key == Qt::Key_Down || key == Qt::Key_Right) {
    pressTab(control);
    return true;
  }
  return false;
}

bool KeyNavigator::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  // Only the plain key: Shift+Enter, Ctrl+Down and the like stay the control's.
  if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) return false;
  // While a combo's list is open its arrows and Enter choose in the list.
  if (widget->isWindow()) return false;
  return TakeKey(rt::owningControl(widget), key->key());
}

}  // namespace core
