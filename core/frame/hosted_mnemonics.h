#pragma once
// A window hosted in the frame shares the frame's top-level window, so Alt
// with a letter would reach the frame's menu bar ("E&xtras") before the
// hosted window's own button ("E&xportar"). While the keyboard is in a
// hosted window, its visible and enabled button with that letter is pressed
// instead; other letters still open the menus.
#include <QObject>
#include <QPointer>

class QMdiArea;

namespace core {

class HostedMnemonics : public QObject {
 public:
  explicit HostedMnemonics(QMdiArea* area);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QMdiArea> area_;
  int swallow_ = 0;  // the key whose press follows a taken shortcut
};

}  // namespace core
