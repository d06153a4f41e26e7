#include "organiser/form_parts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/window_parts.h"
#include "platform/ui/qt_text.h"

namespace organiser {

bool cancelAsks(core::RecordForm& form) {
  QWidget* accepted = form.field();
  if (accepted == nullptr || form.viewing() || accepted != form.control("?CANCEL")) return false;
  form.Response = rt::kCancelled;
  form.post(rt::event::CloseWindow);
  return true;
}

}  // namespace organiser
