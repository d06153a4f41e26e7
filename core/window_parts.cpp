#include "core/window_parts.h"

#include <QHBoxLayout>
#include <QLabel>

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

QLineEdit* shownEntry(QWidget* parent, const char* name) {
  QLineEdit* e = namedEntry(parent, name);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::NoFocus);
  return e;
}

void addFormLine(QGridLayout* grid, int row, const char* prompt, QWidget* buddy,
                 std::initializer_list<QWidget*> controls, bool stretch) {
  auto* label = new QLabel(rt::toQString(prompt), grid->parentWidget());
  label->setBuddy(buddy);
  grid->addWidget(label, row, 0);
  auto* box = new QHBoxLayout;
  for (QWidget* c : controls) box->addWidget(c);
  if (stretch) box->addStretch();
  grid->addLayout(box, row, 1);
}

}  // namespace core
