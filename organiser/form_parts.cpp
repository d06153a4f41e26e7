#include "organiser/form_parts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/window_parts.h"
#include "platform/ui/qt_text.h"

namespace organiser {

void sheetAndButtons(QWidget* window, QWidget* sheet, const char* okTip, const char* cancelTip) {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(core::namedButton(window, "?OK", "&OK", okTip));
  buttons->addWidget(core::namedButton(window, "?CANCEL", "&Cancelar", cancelTip));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet);
  layout->addLayout(buttons);
}

bool cancelAsks(core::RecordForm& form) {
  QWidget* accepted = form.field();
  if (accepted == nullptr || form.viewing() || accepted != form.control("?CANCEL")) return false;
  form.Response = rt::kCancelled;
  form.post(rt::event::CloseWindow);
  return true;
}

}  // namespace organiser
