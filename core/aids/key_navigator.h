#pragma once
// Keyboard navigation as data-entry users expect it: Enter moves to the next
// control like Tab, Down and Right move forward, Up and Left move back. Each
// kind of control gives up only the keys it has no use of its own for: a spin
// box keeps its arrows, a multi-line text box its Enter, and a rich-text box
// every key: Enter there ends a paragraph, so that a list gets its next item
// and an alignment stays with its own paragraph.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <set>
#include <vector>

#include "platform/ui/control_kinds.h"

namespace core {

class KeyNavigator : public QObject {
 public:
  // The keys a kind of control gives to the navigation (Qt key codes; Enter
  // stands for both Return and the keypad's Enter).
  static std::vector<int> keysFor(rt::ControlKind kind, bool keepListArrows);

  // A control the navigation leaves alone.
  void Exclude(QWidget* control);
  // Alerts the keys on every control of the window; the last step of a
  // window's set-up. Before it no key is taken.
  void SetKeys(QWidget* window, bool keepListArrows = false);
  // What a key pressed in a control does; true when the navigation took it.
  bool TakeKey(QWidget* control, int key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::map<QWidget*, std::set<int>> alerted_;
  std::set<QWidget*> excluded_;
  bool inited_ = false;
};

}  // namespace core
