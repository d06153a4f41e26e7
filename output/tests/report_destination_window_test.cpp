// The report destination window: unseen unless the listing mode is mail;
// in the mail mode it shows the presets and writes the user's choice back.
#include "output/report_destination_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include "core/frame/globals.h"
#include "core/shapes/report_destination.h"
#include "output/register_procedures.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace output {
namespace {

const char* kCaption = "Parámetros adicionales para Listado"_cp;

TEST(ReportDestinationWindow, OnlyTheMailModeShowsTheWindow) {
  registerProcedures();
  for (const char* mode : {"A", "N", "P"}) {
    rt::testing::WindowScript script;
    script.on(kCaption, [](rt::WindowDriver&) {});
    GLO::ModoListado = mode;
    ASSERT_TRUE(rt::testing::runOnThread([] {
      core::presetReportGlobals("Listado de Pacientes");
      rt::callProcedure("VentanaParametrosListado");
    }));
    EXPECT_EQ(script.pending(), 1) << "no window in mode " << mode;
    EXPECT_EQ(GLO::TipoListado, mode[0] == 'P' ? "P" : "N");
  }
}

TEST(ReportDestinationWindow, MailModeShowsThePresetsAndNormalGreysTheMailGroup) {
  registerProcedures();
  GLO::ModoListado = "M";
  QPointer<QWidget> group;
  rt::WindowDriver* shown = nullptr;
  rt::testing::WindowScript script;
  script.on(kCaption, [&](rt::WindowDriver& w) {
    shown = &w;
    group = w.control("?DATOSMAIL");
    EXPECT_TRUE(group->isEnabled());
    auto* destination = w.control<QComboBox>("?GLO:TIPOLISTADO");
    EXPECT_EQ(destination->currentText(), "Mail");
    EXPECT_EQ(w.control<QLineEdit>("?GLO:NOMBREPDF")->text(), "Listado de Pacientes");
    EXPECT_EQ(w.control<QLineEdit>("?GLO:ASUNTOLISTADO")->text(), "Listado de Pacientes");
    w.control<QLineEdit>("?GLO:NOMBREPDF")->setText("Otro, nombre");
    destination->setCurrentIndex(0);
    w.post(rt::event::Accepted, destination);
  });
  bool done = false;
  rt::start([&] {
    core::presetReportGlobals("Listado de Pacientes");
    rt::callProcedure("VentanaParametrosListado");
    done = true;
  });
  ASSERT_TRUE(rt::testing::waitUntil([&] { return group && !group->isEnabled(); },
                                     "the mail group greyed out"));
  ASSERT_TRUE(rt::testing::click(*shown, "?OKBUTTON"));
  ASSERT_TRUE(rt::testing::waitUntil([&] { return done; }, "the window closed"));
  EXPECT_EQ(GLO::TipoListado, "N");
  EXPECT_EQ(GLO::NombrePDF, "Otro, nombre");
  EXPECT_EQ(GLO::ModoListado, "M") << "the window never changes the frame's mode";
}

// The window started on a thread of its own in the mail mode, as a report
// calls it; `done` once its call returned.
struct ShownInMailMode {
  bool open() {
    registerProcedures();
    GLO::ModoListado = "M";
    script.on(kCaption, [this](rt::WindowDriver& w) { shown = &w; });
    rt::start([this] {
      core::presetReportGlobals("Listado de Pacientes");
      rt::callProcedure("VentanaParametrosListado");
      done = true;
    });
    return rt::testing::waitUntil([this] { return shown != nullptr; }, "the window shown");
  }
  rt::testing::WindowScript script;
  rt::WindowDriver* shown = nullptr;
  bool done = false;
};

// A typed name that names folders would write, or delete, a file outside
// the PDF folder: OK refuses it and the window stays until a plain name.
TEST(ReportDestinationWindow, ANameWithFoldersIsRefused) {
  ShownInMailMode window;
  ASSERT_TRUE(window.open());
  rt::WindowDriver* shown = window.shown;
  const bool& done = window.done;
  auto* name = shown->control<QLineEdit>("?GLO:NOMBREPDF");
  for (const char* typed : {"../../x", "sub/x", "..\\x", ".."}) {
    rt::testing::ScriptedMessages messages;
    name->setText(typed);
    ASSERT_TRUE(rt::testing::click(*shown, "?OKBUTTON"));
    ASSERT_TRUE(
        rt::testing::waitUntil([&] { return messages.asked().size() == 1; }, "the refusal"));
    EXPECT_NE(messages.asked()[0].text.find(typed), std::string::npos) << typed;
    EXPECT_FALSE(done) << typed;
    EXPECT_EQ(GLO::NombrePDF, "Listado de Pacientes") << typed;
  }
  name->setText("Pacientes de hoy");
  ASSERT_TRUE(rt::testing::click(*shown, "?OKBUTTON"));
  ASSERT_TRUE(rt::testing::waitUntil([&] { return done; }, "the window closed"));
  EXPECT_EQ(GLO::NombrePDF, "Pacientes de hoy");
}

TEST(ReportDestinationWindow, EnterMovesToTheNextEntry) {
  ShownInMailMode window;
  ASSERT_TRUE(window.open());
  rt::WindowDriver* shown = window.shown;
  const bool& done = window.done;
  QWidget* name = shown->control("?GLO:NOMBREPDF");
  name->window()->activateWindow();
  name->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(rt::testing::waitUntil([&] { return QApplication::focusWidget() == name; },
                                     "the file name focused"));
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_TRUE(rt::testing::waitUntil(
      [&] { return QApplication::focusWidget() == shown->control("?GLO:ASUNTOLISTADO"); },
      "Enter moved on to the subject"));
  ASSERT_TRUE(rt::testing::click(*shown, "?OKBUTTON"));
  ASSERT_TRUE(rt::testing::waitUntil([&] { return done; }, "the window closed"));
}

}  // namespace
}  // namespace output
