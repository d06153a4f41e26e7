// An entry left with a text its picture cannot read, a number outside its
// range, characters runtime text cannot hold or more text than its field
// holds is refused by its window: a message naming the entry by its prompt
// and what is wrong, the focus back on the entry, the text kept; the press
// that left the entry waits until it is mended.
#include "platform/ui/entry_refusal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "platform/ui/control_kinds.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_driver.h"

namespace rt {
namespace {

using testing::waitUntil;

QString textOf(QWidget* entry) {
  if (auto* box = qobject_cast<QPlainTextEdit*>(entry)) return box->toPlainText();
  return qobject_cast<QLineEdit*>(entry)->text();
}

// Typed key by key, each key carrying its character, as a keyboard layout
// with the letter sends it (QTest's clicks take ASCII alone).
void type(QWidget* entry, const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    const QString character = QString::fromUcs4(&c, 1);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(entry, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(entry, &release);
  }
}

void clear(QWidget* entry) {
  if (auto* box = qobject_cast<QPlainTextEdit*>(entry)) {
    box->clear();
  } else {
    qobject_cast<QLineEdit*>(entry)->clear();
  }
}

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
    // An entry sharing the prompt of the control before it on its line.
    auto* kind = new QComboBox(w);
    kind->addItems({"DNI", "LC"});
    auto* number = new QLineEdit(w);
    number->setObjectName("?NRODOC");
    setPicture(number, "@n13");
    auto* line = new QHBoxLayout;
    line->addWidget(kind);
    line->addWidget(number);
    auto* label = new QLabel("Documento:", w);
    label->setBuddy(kind);
    grid->addWidget(label, row, 0);
    grid->addLayout(line, row++, 1);
    // A memo's text box, framed by a titled box, with its field's limit.
    auto* frame = new QGroupBox("Antecedentes Personales:", w);
    auto* memo = new QPlainTextEdit(frame);
    memo->setObjectName("?ANTECEDENTES");
    setTextLimit(memo, 10);
    (new QHBoxLayout(frame))->addWidget(memo);
    grid->addWidget(frame, row++, 0, 1, 2);
    auto* ok = new QPushButton("OK", w);
    ok->setObjectName("?OK");
    grid->addWidget(ok, row, 1);
    auto* cancel = new QPushButton("Cancelar", w);
    cancel->setObjectName("?CANCEL");
    grid->addWidget(cancel, row + 1, 1);
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
      {"?PACIENTE", "65543",
       "Paciente: el valor 65543 está fuera del rango permitido (de 0 a 65535)."},
      {"?PACIENTE", "65535", nullptr},
      {"?FECNAC", "", nullptr},
      {"?NOTAS", "lo que sea", nullptr},
      {"?NRODOC", "12ab34", "Documento: \"12ab34\" no es un valor válido."},
      {"?NOTAS", "Łukasz",
       "Notas: el carácter U+0141 (posición 1) no se puede guardar: el sistema guarda los textos "
       "en Windows-1252 (Europa occidental). Reemplácelo o bórrelo."},
      {"?NOTAS", "Ğ, Ł y Ł",
       "Notas: los caracteres U+011E (posición 1) y U+0141 (posición 4) no se pueden guardar"},
      {"?NOTAS", "Straße 5 € ñü º", nullptr},
      {"?ANTECEDENTES", "12345678901",
       "Antecedentes Personales: el texto tiene 11 caracteres y se pueden guardar hasta 10. "
       "Acórtelo para poder grabar."},
      {"?ANTECEDENTES", "1234567890", nullptr},
      {"?ANTECEDENTES", "Ł", "Antecedentes Personales: el carácter U+0141 (posición 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.entry) + " " + c.typed);
    testing::ScriptedMessages messages;
    QWidget* entry = window.control(c.entry);
    entry->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == entry; }, "focus"));
    clear(entry);
    type(entry, QString::fromUtf8(c.typed));
    // Leaving by a click on OK: the click waits while the entry is refused.
    window.accepted.clear();
    window.control<QPushButton>("?OK")->setFocus(Qt::MouseFocusReason);
    window.post(event::Accepted, window.control("?OK"));
    testing::waitIdle();
    EXPECT_EQ(textOf(entry), QString::fromUtf8(c.typed)) << "the text stays for correction";
    if (c.said == nullptr) {
      EXPECT_TRUE(messages.asked().empty());
      EXPECT_EQ(window.accepted.back(), "?OK");
      continue;
    }
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_NE(
        toQString(messages.asked()[0].text).replace('|', ' ').indexOf(QString::fromUtf8(c.said)),
        -1)
        << fromQString(toQString(messages.asked()[0].text)) << " / " << c.said;
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == entry; }, "focus back"));
    EXPECT_EQ(std::count(window.accepted.begin(), window.accepted.end(), "?OK"), 0)
        << "the OK press waits";
    clear(entry);  // mended: the entry may be left
  }
  // Leaving by a click on Cancel is never barred: the entry is not taken and
  // nothing is said; the press arrives (the window's closing decides).
  {
    testing::ScriptedMessages messages;
    QWidget* entry = window.control("?NOTAS");
    entry->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == entry; }, "focus"));
    clear(entry);
    type(entry, QString::fromUtf8("Łukasz"));
    window.accepted.clear();
    window.control<QPushButton>("?CANCEL")->setFocus(Qt::MouseFocusReason);
    window.post(event::Accepted, window.control("?CANCEL"));
    testing::waitIdle();
    EXPECT_TRUE(messages.asked().empty());
    EXPECT_EQ(window.accepted, std::vector<std::string>{"?CANCEL"});
    EXPECT_EQ(textOf(entry), QString::fromUtf8("Łukasz"));
  }
  window.post(event::CloseWindow);
  ASSERT_TRUE(waitUntil([&] { return ended; }, "the window to close"));
}

}  // namespace
}  // namespace rt
