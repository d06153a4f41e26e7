// The letter window: a template confirmed twice adds its macros once, a value
// typed for a macro that keeps it is stored, the macros processed with the
// chosen patient, a patient code without a record opening the patient list,
// two windows keeping their letters apart, a print taking the letter as it
// stands at the press, and "&Cancelar" of the value dialog keeping a value of
// 255 characters.
#include "letters/letter_window.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/report_destination.h"
#include "letters/tests/letter_fixture.h"
#include "platform/base/procedures.h"
#include "platform/ui/testing/pdf_probe.h"

namespace letters {
namespace {

using core::testing::Probed;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using testing::cp;
using testing::plainOf;

const char kTemplate[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Sr. ***PACNOMBRE***: ***RECETA*** y "
    "***DIAGNOSTICO***.\\par}";

class LetterWindowTest : public testing::LetterWindows {
 protected:
  void SetUp() override {
    testing::LetterWindows::SetUp();
    core::registerTableManagers();
    core::installThreadRoutines();
    rt::registerProcedure("VentanaParametrosListado", [](const rt::ProcedureArgs&) {
      core::settleReportDestination();
      return rt::kCompleted;
    });
    GLO::UsuarioSistema = "Consultorio Central";
  }
  void TearDown() override {
    rt::unregisterProcedure("ExaminarPacientes");
    testing::LetterWindows::TearDown();
  }
  static void fill() {
    addMacro("PACNOMBRE", "Nombre del Paciente", 1);
    addMacro("RECETA", "Receta", 0, "", 0);
    addMacro("DIAGNOSTICO", "Diagnóstico"_cp, 0, "gripe", 1);
    addTemplate("Receta", kTemplate);
    addTemplate("Otra", "{\\rtf1\\ansi Otra carta de ***RECETA***.\\par}");
    for (auto [code, name] : {std::pair{1, "PEREZ ANA"}, std::pair{2, "GOMEZ LUIS"}}) {
      add(core::Pacientes::def(), {{"Cod_Paciente", std::to_string(code)}, {"Nombre", name}});
    }
  }
  static void type(LetterWindow& w, const char* entry, const char* text) {
    auto* e = w.control<QLineEdit>(entry);
    e->setText(text);
    w.post(rt::event::Accepted, e);
  }
};

TEST_F(LetterWindowTest, ConfirmingEditingAndProcessingALetter) {
  onLetterThread([&] {
    fill();
    // A patient code without a record opens the patient list; the list
    // chooses patient 2.
    int listed = 0;
    rt::registerProcedure("ExaminarPacientes", [&](const rt::ProcedureArgs&) {
      ++listed;
      EXPECT_EQ(rt::ThreadRequest(), core::request::Select);
      core::PAC().Cod_Paciente = 2;
      core::Pacientes::table().fetch(core::Pacientes::PAS_001);
      return rt::kCompleted;
    });
    WindowScript dialogs;
    dialogs.on(cp("Edición de Valor de Macro"), [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?VALOR")->setText("bronquitis");
      click(w, "?OK");
    });
    Probed<LetterWindow> window;
    window.probe([&](LetterWindow& w) {
      EXPECT_EQ(w.window()->windowTitle(), "Edición de Nota (Con marcos...)");
      type(w, "?COD_NOTAMACRO", "1");
      click(w, "?CONFIRMAR");
      click(w, "?CONFIRMAR");  // the same template again adds nothing
    });
    window.probe([&](LetterWindow& w) {
      EXPECT_EQ(rt::fromQString(w.control<QLineEdit>("?DESCRIPCION")->text()), "Receta");
      ASSERT_EQ(w.QMA.size(), 2u);
      EXPECT_EQ(w.QMA[0].IDENTIFICADOR, "RECETA");
      EXPECT_EQ(w.QMA[1].VALOR, "gripe");  // kept, so proposed
      EXPECT_EQ(plainOf(w.control<QTextEdit>("?TEXTONOTAMACRO")),
                "Sr. ***PACNOMBRE***: ***RECETA*** y ***DIAGNOSTICO***.");
      w.control<QTableWidget>("?QMA")->setCurrentCell(1, 0);
      click(w, "?MODIFICAR");
      type(w, "?COD_PACIENTE", "7");
    });
    window.probe([&](LetterWindow& w) {
      EXPECT_EQ(listed, 1);
      EXPECT_EQ(rt::fromQString(w.control<QLineEdit>("?NOMBREPACIENTE")->text()), "GOMEZ LUIS");
      EXPECT_EQ(w.QMA[1].VALOR, "bronquitis");
      w.QMA[0].VALOR = "reposo";
      type(w, "?COD_NOTAMACRO", "2");
      click(w, "?CONFIRMAR");  // another template: its macros are listed already
      click(w, "?PROCESAR");
    });
    window.probe([&](LetterWindow& w) {
      EXPECT_EQ(w.QMA.size(), 2u);
      EXPECT_EQ(plainOf(w.control<QTextEdit>("?TEXTONOTAMACRO")), "Otra carta de reposo.");
      type(w, "?COD_NOTAMACRO", "1");
      click(w, "?CONFIRMAR");
      click(w, "?PROCESAR");
    });
    window.probe([&](LetterWindow& w) {
      EXPECT_EQ(plainOf(w.control<QTextEdit>("?TEXTONOTAMACRO")),
                "Sr. Gomez Luis: reposo y bronquitis.");
      testing::screenShot(w.window(), "letter-window");
      click(w, "?CLOSE");
    });
    window.Run();
    EXPECT_EQ(dialogs.pending(), 0);
    // The value typed for the macro that keeps it is stored; the other not.
    core::Macros::table().clear();
    core::MAC().Identificador = "DIAGNOSTICO";
    ASSERT_EQ(core::Macros::table().fetch(core::Macros::MAC03), 0);
    EXPECT_EQ(core::MAC().Valor.clipped(), "bronquitis");
  });
}

// LibreOffice splits references across formatting runs ("***PAC" bold
// "NOMBRE" "***", or at a change of language): the letter finds them whole.
TEST_F(LetterWindowTest, ATemplateWrittenInLibreOfficeHasEveryReferenceReplaced) {
  onLetterThread([&] {
    fill();
    addTemplate("LibreOffice", testing::testData("libreoffice_template.rtf"));
    Probed<LetterWindow> window;
    window.probe([&](LetterWindow& w) {
      type(w, "?COD_NOTAMACRO", "3");
      click(w, "?CONFIRMAR");
      type(w, "?COD_PACIENTE", "1");
    });
    window.probe([&](LetterWindow& w) {
      ASSERT_EQ(w.QMA.size(), 1u);  // the user macro split by a change of language
      EXPECT_EQ(w.QMA[0].IDENTIFICADOR, "DIAGNOSTICO");
      click(w, "?PROCESAR");
    });
    window.probe([&](LetterWindow& w) {
      const std::string letter = plainOf(w.control<QTextEdit>("?TEXTONOTAMACRO"));
      EXPECT_EQ(letter.find("***"), std::string::npos) << letter;
      const std::string parts[] = {"Buenos Aires, 29 de Setiembre de 2025\n",
                                   "Estimado Perez Ana:\n", "Paciente Perez Ana, documento",
                                   "Diagnóstico: gripe\n"_cp, "Uno\tDos\nFin"};
      for (const std::string& part : parts) {
        EXPECT_NE(letter.find(part), std::string::npos) << part << " in " << letter;
      }
      testing::screenShot(w.window(), "letter-from-libreoffice");
      click(w, "?CLOSE");
    });
    window.Run();
  });
}

TEST_F(LetterWindowTest, TwoWindowsKeepTheirLettersApart) {
  onLetterThread([&] {
    fill();
    Probed<LetterWindow> first;
    first.probe([&](LetterWindow& w) {
      type(w, "?COD_NOTAMACRO", "1");
      click(w, "?CONFIRMAR");
    });
    first.probe([&](LetterWindow& w) {
      const std::string before = w.TextoNotaMacro;
      ASSERT_NE(before.find("***RECETA***"), std::string::npos);
      Probed<LetterWindow> second;
      second.probe([&](LetterWindow& s) {
        EXPECT_TRUE(s.TextoNotaMacro.empty());
        type(s, "?COD_NOTAMACRO", "2");
        click(s, "?CONFIRMAR");
      });
      second.probe([&](LetterWindow& s) {
        EXPECT_NE(s.TextoNotaMacro.find("Otra carta"), std::string::npos);
        click(s, "?CLOSE");
      });
      second.Run();
      EXPECT_EQ(w.TextoNotaMacro, before);
      EXPECT_EQ(plainOf(w.control<QTextEdit>("?TEXTONOTAMACRO")),
                "Sr. ***PACNOMBRE***: ***RECETA*** y ***DIAGNOSTICO***.");
      click(w, "?CLOSE");
    });
    first.Run();
  });
}

TEST_F(LetterWindowTest, APrintTakesTheLetterAsItStandsAtThePress) {
  const std::filesystem::path pdf = rt::workingFolder() / "PDF" / "Reporte.PDF";
  std::filesystem::create_directories(pdf.parent_path());
  GLO::ModoListado = "P";
  onLetterThread([&] {
    fill();
    Probed<LetterWindow> window;
    window.probe([&](LetterWindow& w) {
      type(w, "?COD_NOTAMACRO", "2");
      click(w, "?CONFIRMAR");
    });
    window.probe([&](LetterWindow& w) { click(w, "?IMPRIMIRNORMAL"); });
    window.probe([&](LetterWindow& w) {
      w.control<QTextEdit>("?TEXTONOTAMACRO")->setPlainText("Cambiada despues de imprimir");
      click(w, "?PROCESAR");
      click(w, "?CLOSE");
    });
    window.Run();
  });
  ASSERT_TRUE(rt::testing::waitUntil(
      [&] { return std::filesystem::exists(pdf) && GLO::ModoListado == "A"; }, "the letter's PDF"));
  const std::string text = rt::testing::pdfText(pdf.string());
  EXPECT_NE(text.find("Otra carta de ***RECETA***."), std::string::npos) << text;
  EXPECT_EQ(text.find("Cambiada"), std::string::npos);
}

TEST_F(LetterWindowTest, CancellingTheValueDialogKeepsAWholeValue) {
  onLetterThread([&] {
    const std::string long255(255, 'v');
    WindowScript dialogs;
    dialogs.on(cp("Edición de Valor de Macro"), [&](rt::WindowDriver& w) {
      auto* value = w.control<QLineEdit>("?VALOR");
      EXPECT_EQ(value->text().size(), 255);
      EXPECT_EQ(value->maxLength(), 255);
      value->setText("otra cosa");
      click(w, "?CANCEL");
    });
    dialogs.on(cp("Edición de Valor de Macro"), [&](rt::WindowDriver& w) {
      w.control<QLineEdit>("?VALOR")->setText(QString(255, 'w'));
      click(w, "?OK");
    });
    EXPECT_EQ(EditaValor("Receta", "RECETA", long255), long255);
    EXPECT_EQ(EditaValor("Receta", "RECETA", long255), std::string(255, 'w'));
  });
}

}  // namespace
}  // namespace letters
