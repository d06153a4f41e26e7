#include "core/frame/hosted_mnemonics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace core {
namespace {

// The button of the window whose mnemonic is the key's letter.
QAbstractButton* buttonFor(QWidget* window, int key) {
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (!b->isVisibleTo(window) || !b->isEnabled()) continue;
    const QKeySequence mnemonic = QKeySequence::mnemonic(b->text());
    if (!mnemonic.isEmpty() && (mnemonic[0].key() == key)) return b;
  }
  return nullptr;
}

}  // namespace

HostedMnemonics::HostedMnemonics(QMdiArea* area) : QObject(area), area_(area) {}

bool HostedMnemonics::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (event->type() == QEvent::KeyPress) {
    if (swallow_ == 0 || key->key() != swallow_) return false;
    swallow_ = 0;
    return true;
  }
  if (key->modifiers() != Qt::AltModifier || !area_ || !watched->isWidgetType()) return false;
  QMdiSubWindow* hosted = area_->activeSubWindow();
  auto* focus = static_cast<QWidget*>(watched);
  if (hosted == nullptr || hosted->widget() == nullptr || !hosted->isAncestorOf(focus))
    return false;
  QAbstractButton* button = buttonFor(hosted->widget(), key->key());
  if (button == nullptr) return false;
  event->accept();
  swallow_ = key->key();
  button->click();
  return true;
}

}  // namespace core
