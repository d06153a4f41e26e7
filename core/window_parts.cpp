#include "core/window_parts.h"

#include "platform/ui/qt_text.h"

namespace core {

QPushButton* namedButton(QWidget* parent, const char* name, const char* text, const char* tip) {
  auto* b = new QPushButton(rt::toQString(text), parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  if (*tip != '\0') b->setToolTip(rt::toQString(tip));
  return b;
}

QLineEdit* namedEntry(QWidget* parent, const char* name, int length, const char* tip) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  if (length > 0) e->setMaxLength(length);
  if (*tip != '\0') e->setToolTip(rt::toQString(tip));
  return e;
}

}  // namespace core
