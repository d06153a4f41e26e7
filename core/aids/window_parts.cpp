#include "core/aids/window_parts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "platform/base/cp1252.h"
#include "platform/base/picture.h"
#include "platform/ui/qt_text.h"

namespace core {

QPushButton* namedButton(QWidget* parent, const char* name, const char* text, const char* tip,
                         const char* status) {
  auto* b = new QPushButton(rt::toQString(text), parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  if (*tip != '\0') b->setToolTip(rt::toQString(tip));
  if (*status != '\0') b->setStatusTip(rt::toQString(status));
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

FormSheet formSheet(const QString& title, const QString& firstTab, Qt::WindowFlags flags) {
  auto* window = new QWidget(nullptr, flags);
  window->setFont(designedWindowFont());
  window->setWindowTitle(title);
  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* page = new QWidget;
  sheet->addTab(page, firstTab);
  return {window, sheet, page};
}

QHBoxLayout* sheetAndButtons(QWidget* window, QWidget* sheet, const FormButtons& look) {
  // The sheet is the window's child before the buttons: it comes first in
  // the tab order and takes the first focus.
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet, 1);
  QPushButton* ok = namedButton(window, "?OK", look.okText, look.okTip);
  QPushButton* cancel = namedButton(window, "?CANCEL", look.cancelText, look.cancelTip);
  if (look.icons) {
    ok->setIcon(window->style()->standardIcon(QStyle::SP_DialogOkButton));
    cancel->setIcon(window->style()->standardIcon(QStyle::SP_DialogCancelButton));
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  return buttons;
}

QString shownDate(std::int32_t date) {
  if (date == 0) return {};
  return rt::toQString(rt::clip(rt::format(std::to_string(date), rt::parsePicture("@d17"))));
}

void addFormLine(QGridLayout* grid, int row, const char* prompt, QWidget* buddy,
                 std::initializer_list<QWidget*> controls, bool stretch) {
  if (prompt != nullptr) {
    auto* label = new QLabel(rt::toQString(prompt), grid->parentWidget());
    label->setBuddy(buddy);
    grid->addWidget(label, row, 0);
  }
  auto* box = new QHBoxLayout;
  for (QWidget* c : controls) box->addWidget(c);
  if (stretch) box->addStretch();
  grid->addLayout(box, row, 1);
}

QPlainTextEdit* addNotesBox(QGridLayout* grid, int row, const char* name, int minHeight,
                            int maxHeight) {
  auto* group = new QGroupBox("Notas:", grid->parentWidget());
  auto* notes = new QPlainTextEdit(group);
  notes->setObjectName(name);
  notes->setTabChangesFocus(true);
  notes->setMinimumHeight(minHeight);
  notes->setMaximumHeight(maxHeight);
  (new QVBoxLayout(group))->addWidget(notes);
  grid->addWidget(group, row, 0, 1, 2);
  return notes;
}

}  // namespace core
