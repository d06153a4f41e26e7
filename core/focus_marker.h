#pragma once
// Marks the input control that has the focus with a light-blue background and
// gives the control its own background back when the focus leaves. Lists,
// drop-down lists and rich text are never painted; buttons, prompts, panels
// and the other controls that take no input are never marked.
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QWidget>

namespace core {

struct FocusMarkerOptions {
  bool changeColor = true;
  long backgroundColor = 0xFEEDC9;  // blue-green-red: light blue
  bool useBoldText = false;
  long backgroundColorRequired = 0xFEEDC9;
};

class FocusMarker : public QObject {
 public:
  using Options = FocusMarkerOptions;

  // Starts marking the window's focused control; every window calls it with
  // the standard options as the last steps of its set-up.
  void Setup(QWidget* window, Options options = {});
  // The marked control; null when none.
  QWidget* marked() const { return marked_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void focusMoved(QWidget* now);
  void mark(QWidget* control);
  void unmark();

  QPointer<QWidget> window_;
  Options options_;
  QPointer<QWidget> marked_;
  bool painted_ = false;
  QPalette savedPalette_;
  long savedColor_ = -1;
  bool savedAutoFill_ = false;
  QFont savedFont_;
};

}  // namespace core
