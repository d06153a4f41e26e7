#include "organiser/topic_window_parts.h"

#include <QTabWidget>

#include "core/designed_font.h"
#include "core/window_parts.h"
#include "platform/ui/qt_text.h"

namespace organiser {

QPushButton* tippedButton(QWidget* parent, const char* name, const char* text, const char* tip,
                          const char* status) {
  QPushButton* b = core::namedButton(parent, name, text, tip);
  if (*status != '\0') b->setStatusTip(rt::toQString(status));
  return b;
}

QGridLayout* formSheet(QWidget* window, const char* title, const char* tab, QWidget*& sheet) {
  window->setFont(core::designedWindowFont());
  window->setWindowTitle(rt::toQString(title));
  auto* tabs = new QTabWidget(window);
  tabs->setObjectName("?SHEET1");
  auto* general = new QWidget;
  general->setObjectName("?TAB1");
  tabs->addTab(general, rt::toQString(tab));
  auto* grid = new QGridLayout(general);
  grid->setColumnStretch(1, 1);
  sheet = tabs;
  return grid;
}

}  // namespace organiser
