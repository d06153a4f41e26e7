#include "platform/ui/rtf_windows.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTextEdit>

#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"
#include "platform/ui/rtf_control.h"
#include "platform/ui/testing/window_test_kit.h"

namespace rt {
namespace {

using testing::click;
using testing::waitIdle;
using testing::waitUntil;

class RtfWindowsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    endAllThreads();
    waitIdle();
  }

  // Runs `body` on a logical thread; answers the window it opens.
  WindowDriver* openOnThread(std::function<void()> body) {
    thread_ = start([this, body] {
      body();
      ended_ = true;
    });
    if (!waitUntil([&] { return WindowDriver::topWindow(thread_) != nullptr; }, "the window")) {
      return nullptr;
    }
    waitIdle();
    return WindowDriver::topWindow(thread_);
  }

  void type(WindowDriver& w, const char* name, const char* text) {
    w.control<QLineEdit>(name)->setText(QString::fromUtf8(text));
  }

  bool press(WindowDriver& w, const char* name) {
    const bool clicked = click(w, name);
    waitIdle();
    return clicked;
  }

  bool waitEnded() {
    return waitUntil([&] { return ended_; }, "the window to close");
  }

  testing::Watchdog watchdog_;
  testing::ScriptedMessages messages_;
  ThreadNumber thread_ = 0;
  bool ended_ = false;
};

TEST(Centimetres, ShowAndReadWithADecimalComma) {
  EXPECT_EQ(centimetres(567), "1,00");
  EXPECT_EQ(centimetres(-360), "-0,64");
  EXPECT_EQ(twipsOfCentimetres("2,54"), 1440);
  EXPECT_EQ(twipsOfCentimetres(" 2.54 "), 1440);
  EXPECT_EQ(twipsOfCentimetres("dos"), std::nullopt);
  EXPECT_EQ(twipsOfCentimetres(""), std::nullopt);
}

TEST_F(RtfWindowsTest, TabStopsAreSetClearedAndConfirmed) {
  std::optional<std::vector<TabStop>> chosen;
  WindowDriver* w = openOnThread([&] {
    RtfWindows().openTabStops({{720, TabKind::Left}, {2880, TabKind::Centre}},
                              [&](const std::vector<TabStop>& tabs) { chosen = tabs; });
  });
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->window()->windowTitle(), "Tabulaciones");
  auto* list = w->control<QListWidget>("?Tabulaciones");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "1,27  Izquierda");

  type(*w, "?Posicion", "2,5");
  w->control<QComboBox>("?Alineacion")->setCurrentIndex(2);
  ASSERT_TRUE(press(*w, "?Fijar"));
  type(*w, "?Posicion", "muy lejos");
  ASSERT_TRUE(press(*w, "?Fijar"));
  ASSERT_EQ(messages_.asked().size(), 1u);
  EXPECT_EQ(messages_.asked()[0].text, "Escriba una posición en centímetros, entre 0 y 55,88."_cp);
  type(*w, "?Posicion", "1,27");
  ASSERT_TRUE(press(*w, "?Borrar"));
  list->setCurrentRow(1);  // 5,08 Centro: its position comes into the entry
  waitIdle();
  EXPECT_EQ(w->control<QLineEdit>("?Posicion")->text(), "5,08");
  ASSERT_TRUE(press(*w, "?Borrar"));
  ASSERT_TRUE(press(*w, "?OK"));
  ASSERT_TRUE(waitEnded());
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, (std::vector<TabStop>{{1417, TabKind::Right}}));
}

TEST_F(RtfWindowsTest, IndentsAreCheckedBeforeTheyAreTaken) {
  std::optional<Indents> chosen;
  WindowDriver* w = openOnThread([&] {
    RtfWindows().openIndents({360, 0, -360}, [&](const Indents& indents) { chosen = indents; });
  });
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->control<QLineEdit>("?PrimeraLinea")->text(), "-0,64");
  type(*w, "?Izquierda", "dos");
  ASSERT_TRUE(press(*w, "?OK"));
  type(*w, "?Izquierda", "2");
  type(*w, "?PrimeraLinea", "-3");
  ASSERT_TRUE(press(*w, "?OK"));
  ASSERT_EQ(messages_.asked().size(), 2u);
  EXPECT_EQ(messages_.asked()[0].text, "Escriba las sangrías en centímetros, entre 0 y 55,88."_cp);
  EXPECT_EQ(messages_.asked()[0].caption, "Sangrías de Párrafo"_cp);
  EXPECT_EQ(w->window()->windowTitle(), QString::fromUtf8("Sangrías de Párrafo"));
  EXPECT_EQ(messages_.asked()[1].text,
            "La primera línea no puede empezar a la izquierda del margen."_cp);
  EXPECT_FALSE(chosen.has_value());
  type(*w, "?PrimeraLinea", "-1");
  type(*w, "?Derecha", "1");
  ASSERT_TRUE(press(*w, "?OK"));
  ASSERT_TRUE(waitEnded());
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, (Indents{1134, 567, -567}));
}

TEST_F(RtfWindowsTest, ACancelledWindowChangesNothing) {
  bool called = false;
  WindowDriver* w =
      openOnThread([&] { RtfWindows().openIndents({}, [&](const Indents&) { called = true; }); });
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(press(*w, "?Cancelar"));
  ASSERT_TRUE(waitEnded());
  EXPECT_FALSE(called);
}

TEST_F(RtfWindowsTest, FindAndReplaceWorkOnTheControlsText) {
  QTextEdit editor;
  RtfControl control;
  control.attachControl(&editor, 1, "");
  control.setMarkup("{\\rtf1 Hola y hola, \\b HOLA\\b0  final}");
  WindowDriver* w = openOnThread([&] { RtfWindows().openReplace(control, "hola"); });
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->window()->windowTitle(), "Reemplazar");
  EXPECT_EQ(w->control<QLineEdit>("?Buscar")->text(), "hola");

  ASSERT_TRUE(press(*w, "?Siguiente"));
  EXPECT_EQ(editor.textCursor().selectedText(), "Hola");
  w->control<QCheckBox>("?MayMin")->setChecked(true);
  type(*w, "?Reemplazo", "adiós");
  ASSERT_TRUE(press(*w, "?Todo"));
  EXPECT_EQ(editor.toPlainText(), QString::fromUtf8("Hola y adiós, HOLA final"));
  type(*w, "?Buscar", "zzz");
  ASSERT_TRUE(press(*w, "?Siguiente"));
  ASSERT_EQ(messages_.asked().size(), 2u);
  EXPECT_EQ(messages_.asked()[0].text, "Reemplazos hechos: 1.");
  EXPECT_EQ(messages_.asked()[1].text, "No se encontró \"zzz\"."_cp);
  ASSERT_TRUE(press(*w, "?Cancelar"));
  ASSERT_TRUE(waitEnded());
  EXPECT_NE(control.markup().find("adi\\'f3s"), std::string::npos);
}

}  // namespace
}  // namespace rt
