#pragma once
// Marks the input control that has the focus with a light-blue background and
// gives the control its own background back when the focus leaves, for another
// control or another window. Lists, drop-down lists and rich text are never
// painted; buttons, prompts, panels and the other controls that take no input
// are never marked. A window shown inside another (a child of the frame) marks
// its own controls; the outer window's marker leaves them alone. On request
// an indicator character stands to the left of the marked control.
#include <QLabel>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include "platform/base/cp_literal.h"

namespace core {

struct FocusMarkerOptions {
  bool changeColor = true;
  long backgroundColor = 0xFEEDC9;  // blue-green-red: light blue
  bool useBoldText = false;
  long backgroundColorRequired = 0xFEEDC9;
  bool displayIndicator = false;
  long indicatorColor = 0x808080;  // grey
  const char* indicatorCharacter = "»"_cp;
  int indicatorOffset = 8;  // dialog units left of the control
};

class FocusMarker : public QObject {
 public:
  using Options = FocusMarkerOptions;

  // Starts marking the window's focused control; every window calls it with
  // the standard options as the last steps of its set-up.
  void Setup(QWidget* window, Options options = {});
  // The marked control; null when none.
  QWidget* marked() const { return marked_; }
  // The indicator beside the marked control; null while none is shown.
  QLabel* indicator() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void focusMoved(QWidget* now);
  void mark(QWidget* control);
  void unmark();
  bool owns(QWidget* control) const;
  void showIndicator(QWidget* control);

  QPointer<QWidget> window_;
  Options options_;
  QPointer<QWidget> marked_;
  bool painted_ = false;
  QPalette savedPalette_;
  long savedColor_ = -1;
  bool savedAutoFill_ = false;
  QFont savedFont_;
  QPointer<QLabel> indicator_;
};

}  // namespace core
