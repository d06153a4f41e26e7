// An entry left with a text its picture cannot read, or with a number outside
// its range, is refused by its window: a message naming the entry and the
// text, the focus back on the entry, the text kept; the press that left the
// entry waits until it is mended.
#include "platform/ui/entry_refusal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "platform/ui/control_kinds.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_driver.h"

namespace rt {
namespace {

using testing::waitUntil;

class EntriesWindow : public WindowDriver {
 public:
  int Init() override {
    auto* w = new QWidget;
    w->setWindowTitle("Entradas");
    auto* grid = new QGridLayout(w);
    const struct {
      const char* prompt;
      const char* name;
      const char* picture;
    } entries[] = {{"Fecha &Nac.:", "?FECNAC", "@d6"},
                   {"DNI:", "?DNI", "@n9"},
                   {"Paciente:", "?PACIENTE", "@n5"},
                   {"Notas:", "?NOTAS", "@s20"}};
    int row = 0;
    for (const auto& e : entries) {
      auto* entry = new QLineEdit(w);
      entry->setObjectName(e.name);
      setPicture(entry, e.picture);
      if (std::string(e.name) == "?PACIENTE") setEntryRange(entry, {0, 65535});
      auto* label = new QLabel(e.prompt, w);
      label->setBuddy(entry);
      grid->addWidget(label, row, 0);
      grid->addWidget(entry, row++, 1);
    }
    auto* ok = new QPushButton("OK", w);
    ok->setObjectName("?OK");
    grid->addWidget(ok, row, 1);
    Open(w);
    return level::Benign;
  }
  int TakeAccepted() override {
    accepted.push_back(fromQString(field()->objectName()));
    return level::Benign;
  }
  std::vector<std::string> accepted;
};

TEST(EntryRefusal, LeavingAnEntryThatCannotBeStoredIsRefusedWithItsName) {
  testing::Watchdog watchdog;
  EntriesWindow window;
  bool ended = false;
  start([&] {
    window.Run();
    ended = true;
  });
  ASSERT_TRUE(waitUntil([&] { return window.isOpen(); }, "the window"));
  QApplication::setActiveWindow(window.window());
  ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == window.window(); }, "active"));

  struct Case {
    const char* entry;
    const char* typed;
    const char* said;  // in the message; nullptr: no message
  } cases[] = {
      {"?FECNAC", "31/02/1990", "Fecha Nac.: \"31/02/1990\" no es un valor válido."},
      {"?DNI", "2O123456", "DNI: \"2O123456\" no es un valor válido."},
      {"?PACIENTE", "65543", "Paciente: el valor 65543 está fuera del rango permitido (de 0 a 65535)."},
      {"?PACIENTE", "65535", nullptr},
      {"?FECNAC", "", nullptr},
      {"?NOTAS", "lo que sea", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.entry) + " " + c.typed);
    testing::ScriptedMessages messages;
    auto* entry = window.control<QLineEdit>(c.entry);
    entry->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == entry; }, "focus"));
    entry->clear();
    QTest::keyClicks(entry, c.typed);
    // Leaving by a click on OK: the click waits while the entry is refused.
    window.accepted.clear();
    window.control<QPushButton>("?OK")->setFocus(Qt::MouseFocusReason);
    window.post(event::Accepted, window.control("?OK"));
    testing::waitIdle();
    EXPECT_EQ(entry->text(), toQString(c.typed)) << "the text stays for correction";
    if (c.said == nullptr) {
      EXPECT_TRUE(messages.asked().empty());
      EXPECT_EQ(window.accepted.back(), "?OK");
      continue;
    }
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_NE(toQString(messages.asked()[0].text).replace('|', ' ').indexOf(
                  QString::fromUtf8(c.said)),
              -1)
        << fromQString(toQString(messages.asked()[0].text)) << " / " << c.said;
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == entry; }, "focus back"));
    EXPECT_EQ(std::count(window.accepted.begin(), window.accepted.end(), "?OK"), 0)
        << "the OK press waits";
    entry->clear();  // mended: the entry may be left
  }
  window.post(event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return ended; }, "the window to close"));
}

}  // namespace
}  // namespace rt
