#include "core/window_parts.h"

#include <QVBoxLayout>

#include <QHBoxLayout>
#include <QLabel>

#include "platform/base/cp1252.h"
#include "platform/base/picture.h"
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

QHBoxLayout* sheetAndButtons(QWidget* window, QWidget* sheet, const char* okTip,
                             const char* cancelTip) {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(namedButton(window, "?OK", "&OK", okTip));
  buttons->addWidget(namedButton(window, "?CANCEL", "&Cancelar", cancelTip));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet, 1);
  layout->addLayout(buttons);
  return buttons;
}

QString shownDate(std::int32_t date) {
  if (date == 0) return {};
  return rt::toQString(rt::clip(rt::format(std::to_string(date), rt::parsePicture("@d17"))));
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
