// The frame's navigation toolbar on the list of the active window.
#include <QHeaderView>
#include <algorithm>

#include "core/frame/navigation_toolbar.h"
#include "core/shapes/list_browser.h"
#include "core/shapes/record_form.h"

namespace core {

bool ListBrowser::TakeNavigation(int number) {
  auto usable = [](const QPointer<QWidget>& control) { return control && control->isEnabled(); };
  switch (number) {
    case navigation::Insert:
      if (usable(INSERTCONTROL)) edit(request::Insert);
      return true;
    case navigation::Change:
      if (usable(CHANGECONTROL)) edit(request::Change);
      return true;
    case navigation::Delete:
      if (usable(DELETECONTROL)) edit(request::Delete);
      return true;
    case navigation::Select:
      if (selecting && choose && selectedRow() != nullptr) choose();
      return true;
    case navigation::Locate:
      if (query) query();
      return true;
    case navigation::First:
      ResetView();
      PostNewSelection();
      return true;
    case navigation::Last:
      moveToLast();
      return true;
    case navigation::Next:
      moveBy(1);
      return true;
    case navigation::Previous:
      moveBy(-1);
      return true;
    case navigation::NextPage:
    case navigation::PreviousPage:
      moveBy(number == navigation::NextPage ? pageRows() : -pageRows());
      return true;
    default:
      return false;
  }
}

int ListBrowser::pageRows() const {
  const int rowHeight = std::max(1, list_->verticalHeader()->defaultSectionSize());
  return std::max(1, list_->viewport()->height() / rowHeight - 1);
}

void ListBrowser::moveBy(int rows) {
  const QModelIndex current = list_->currentIndex();
  int target = (current.isValid() ? current.row() : 0) + rows;
  while (target >= RecordsInView() && NextPage()) {
  }
  while (target < 0 && !model_.atStart_) {
    const int before = RecordsInView();
    prependPage();
    if (RecordsInView() == before) break;
    target += RecordsInView() - before;
  }
  if (RecordsInView() == 0) return;
  target = std::clamp(target, 0, RecordsInView() - 1);
  list_->setCurrentIndex(model_.index(target, firstShown()));
  list_->scrollTo(model_.index(target, firstShown()));
  PostNewSelection();
}

void ListBrowser::moveToLast() {
  // Before the first record of the order, a step back reaches the last one.
  view_->setToStart();
  if (view_->previous() != 0) return;
  RetainRow = 1;
  ResetFromView();
  PostNewSelection();
}

}  // namespace core
