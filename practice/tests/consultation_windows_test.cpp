// The consultation form, its attachments, the access log and the notes pass:
// one log entry per close, priming from an appointment, the locks, notes kept
// whole or refused, attachments that go with a cancelled consultation, the
// shell's codes, and the log list.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/aids/patient_services.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/export_handover.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/practice_folder.h"
#include "core/testing/probed_window.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/outside_actions.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/fixed_clock.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/data/testing/other_workstation.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_placement.h"
#include "practice/attachment_form.h"
#include "practice/consultation_form.h"
#include "practice/consultation_log_list.h"
#include "practice/notes_length_pass.h"
#include "practice/patient_form.h"

namespace practice {
namespace {

using core::testing::Probed;
using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;

const rt::Date kToday = rt::makeDate(12, 10, 2026);
constexpr char kNotes[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Dolor de {\\b cabeza} "
    "desde hace tres d\\'edas.\\par}";

class ConsultationWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(
        core::testing::openFreshPractice("consultations", folder_, core::testing::Tables::AllOpen));
    std::filesystem::create_directories(folder_ / "adjuntos");
    core::registerTableManagers();
    core::installThreadRoutines();
    core::BuildArchivoLog();
    clock_.emplace(kToday, rt::makeTime(10, 0));
    GLO::Cod_Usuario_Logueado = 0;
    GLO::DirectorioAdjuntos = (folder_ / "adjuntos").string();
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = 7;
    core::PAC().Nombre = "Ana Lopez";
    ASSERT_EQ(core::Pacientes::table().add(), 0);
    // The consultation type every practice starts with, which new
    // consultations take.
    core::TiposConsultas::table().clear();
    core::TIC().Cod_TipoConsulta = 1;
    core::TIC().Descripcion = "Consulta Normal";
    ASSERT_EQ(core::TiposConsultas::table().add(), 0);
  }
  void TearDown() override {
    for (const char* p : {"FormularioPacientes", core::kExportWindow}) rt::unregisterProcedure(p);
    rt::setFileChooser({});
    core::closeAllTables();
    rt::closeDatabase();
  }

  static int addVisit(const char* reason, std::string notes = "") {
    core::Consultas::table().clear();
    core::CON().Cod_Paciente = 7;
    core::CON().Fecha = kToday;
    core::CON().Motivo = reason;
    core::CON().Cod_TipoConsulta = 1;
    core::CON().Notas = std::move(notes);
    EXPECT_EQ(core::Consultas::table().addNumbered(), 0);
    return static_cast<int>(core::CON().Cod_Consulta);
  }
  static bool readVisit(int code) {
    core::CON().Cod_Consulta = static_cast<std::uint32_t>(code);
    return core::Consultas::table().fetch(core::Consultas::CON01) == 0;
  }
  static std::vector<std::string> logLetters(int code) {
    std::vector<std::string> letters;
    rt::Table& t = core::LogConsultas::table();
    t.clear();
    t.setToStart(core::LogConsultas::LCN01);
    while (t.next() == 0) {
      if (static_cast<int>(core::LCN().Cod_Consulta) == code) {
        letters.emplace_back(core::LCN().Operacion.clipped());
      }
    }
    return letters;
  }

  // Runs the form on a thread with its steps; `prime` runs first on the thread.
  int runForm(int request, bool fromAppointment,
              const std::vector<std::function<void(ConsultationForm&)>>& steps, int visit = 0,
              const std::function<void()>& prime = {}) {
    int answer = 0;
    EXPECT_TRUE(runOnThread([&] {
      // The caller has the consultation read, as a list does.
      core::relate(core::Consultas::def()).open();
      if (visit != 0) {
        EXPECT_TRUE(readVisit(visit));
      }
      if (prime) prime();
      Probed<ConsultationForm> form(fromAppointment);
      for (const auto& step : steps) form.probe(step);
      rt::ThreadRequest() = static_cast<std::uint8_t>(request);
      answer = form.Run();
      core::relate(core::Consultas::def()).close();
    }));
    return answer;
  }

  std::filesystem::path folder_;
  std::optional<rt::testing::FixedClock> clock_;
};

QString text(rt::WindowDriver& w, const char* name) { return w.control<QLineEdit>(name)->text(); }

TEST_F(ConsultationWindows, EveryCloseAddsOneLogEntryByItsRequest) {
  struct Case {
    const char* name;
    int request;
    const char* button;
    const char* letter;
    bool stored;  // the consultation is there afterwards
  } cases[] = {
      {"insert OK", core::request::Insert, "?OK", "A", true},
      {"insert cancelled", core::request::Insert, "?CANCEL", "A", false},
      {"change", core::request::Change, "?OK", "M", true},
      {"view", core::request::View, "?OK", "V", true},
      {"delete cancelled", core::request::Delete, "?CANCEL", "B", true},
      {"delete OK", core::request::Delete, "?OK", "B", false},
      {"other request", 9, "?CANCEL", "", true},
  };
  for (const Case& c : cases) {
    const std::int64_t logged = core::LogConsultas::table().records();
    const int existing = c.request == core::request::Insert ? 0 : addVisit(c.name);
    int code = existing;
    // A typed reason cancelled: No to saving it.
    const bool asks = c.request == core::request::Insert && std::string(c.button) == "?CANCEL";
    ScriptedMessages messages({rt::button::No});
    runForm(c.request, false, {[&](ConsultationForm& f) {
              code = static_cast<int>(core::CON().Cod_Consulta);
              if (c.request == core::request::Insert) {
                f.control<QLineEdit>("?CON:MOTIVO")->setText(c.name);
              }
              click(f, c.button);
            }},
            existing);
    ASSERT_EQ(messages.asked().size(), asks ? 1u : 0u) << c.name;
    if (asks) {
      EXPECT_EQ(messages.asked()[0].caption, "Guardar Registro");
    }
    ASSERT_NE(code, 0) << c.name;
    EXPECT_EQ(core::LogConsultas::table().records(), logged + 1) << c.name;
    const std::vector<std::string> letters = logLetters(code);
    ASSERT_FALSE(letters.empty()) << c.name;
    EXPECT_EQ(letters.back(), c.letter) << c.name;
    EXPECT_EQ(readVisit(code), c.stored) << c.name;
  }
}

TEST_F(ConsultationWindows, ANewConsultationIsPrimedFromTheAppointmentOnlyWhenOpenedFromOne) {
  auto appointment = [](std::uint32_t code, rt::Date date, const char* motive) {
    return [=] {
      core::Turnos::table().clear();
      core::TUR().Cod_Turno = code;
      core::TUR().Cod_Paciente = 7;
      core::TUR().Cod_Medico = 3;
      core::TUR().Fecha = date;
      core::TUR().Motivo = motive;
      core::Consultas::table().clear();
    };
  };
  struct Case {
    const char* name;
    bool fromAppointment;
    std::function<void()> prime;
    rt::Date date;
    const char* motive;
    int patient;
    int turno;
  } cases[] = {
      {"empty buffer", true, appointment(0, 0, ""), kToday, "", 0, 0},
      {"appointment of date 0 with a motive", true, appointment(0, 0, "Control"), kToday, "Control",
       0, 0},
      {"appointment", true, appointment(5, kToday - 3, "Dolor"), kToday - 3, "Dolor", 7, 5},
      {"a stale appointment does not prime", false, appointment(5, kToday - 3, "Dolor"), kToday, "",
       0, 0},
  };
  for (const Case& c : cases) {
    runForm(core::request::Insert, c.fromAppointment, {[&](ConsultationForm& f) {
              EXPECT_EQ(core::CON().Fecha, c.date) << c.name;
              EXPECT_EQ(text(f, "?CON:MOTIVO"), c.motive) << c.name;
              EXPECT_EQ(core::CON().Cod_Paciente, c.patient) << c.name;
              EXPECT_EQ(static_cast<int>(core::CON().Cod_Turno), c.turno) << c.name;
              EXPECT_EQ(core::CON().Cod_TipoConsulta, 1) << c.name;
              // Opened from an appointment, the patient, physician and date are fixed.
              EXPECT_EQ(f.control<QLineEdit>("?CON:COD_PACIENTE")->isReadOnly(), c.fromAppointment);
              EXPECT_EQ(f.control("?CALENDARIO")->isEnabled(), !c.fromAppointment);
              EXPECT_FALSE(f.control<QLineEdit>("?CON:MOTIVO")->isReadOnly());
              click(f, "?CANCEL");
            }},
            0, c.prime);
  }
  // The patient a calling list holds in its range stays with the new record.
  runForm(core::request::Insert, false, {[](ConsultationForm& f) {
            EXPECT_EQ(core::CON().Cod_Paciente, 7);
            EXPECT_EQ(text(f, "?PAC:NOMBRE"), "Ana Lopez");
            EXPECT_TRUE(f.control("?EDITPATIENT")->isEnabled());
            click(f, "?CANCEL");
          }},
          0, [] {
            core::Turnos::table().clear();
            core::access(core::Consultas::def())
                .holdOnPrime(core::Consultas::def().fieldIndex("Cod_Paciente"), 7);
          });
}

// An appointment whose patient code (65,543) the consultation cannot hold
// opens no consultation: wrapped, it would be stored on patient 7.
TEST_F(ConsultationWindows, AnAppointmentsPatientCodeThatDoesNotFitOpensNoConsultation) {
  const std::int64_t before = core::Consultas::table().records();
  ScriptedMessages messages;
  bool opened = false;
  runForm(core::request::Insert, true, {[&](ConsultationForm& f) {
            opened = true;
            click(f, "?OK");
          }},
          0, [] {
            core::Turnos::table().clear();
            core::TUR().Cod_Turno = 5;
            core::TUR().Cod_Paciente = 65543;
            core::Consultas::table().clear();
          });
  EXPECT_FALSE(opened);
  EXPECT_EQ(core::Consultas::table().records(), before);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Código inválido"_cp);
}

// What a form opens for itself it closes again: opening it N times on one
// thread leaves no pass behind on the tables it relates.
TEST_F(ConsultationWindows, FormsOpenedAgainAndAgainLeaveNoRelationOpen) {
  const int visit = addVisit("Control");
  EXPECT_TRUE(runOnThread([&] {
    core::relate(core::Consultas::def()).open();
    ASSERT_TRUE(readVisit(visit));
    const std::size_t before = core::relate(core::Pacientes::def()).openPasses();
    for (int i = 0; i < 3; ++i) {
      rt::ThreadRequest() = core::request::View;
      Probed<ConsultationForm> consultation(false);
      consultation.probe([](ConsultationForm& f) { click(f, "?CANCEL"); });
      consultation.Run();
      rt::ThreadRequest() = core::request::View;
      Probed<AttachmentForm> attachment;
      attachment.probe([](AttachmentForm& f) { click(f, "?CANCEL"); });
      attachment.Run();
      rt::ThreadRequest() = core::request::View;
      Probed<PatientForm> patient;
      patient.probe([](PatientForm& f) { click(f, "?CANCEL"); });
      patient.Run();
    }
    EXPECT_EQ(core::relate(core::Pacientes::def()).openPasses(), before);
    EXPECT_EQ(core::relate(core::Adjuntos::def()).openPasses(), 0u);
    EXPECT_EQ(core::relate(core::Localidades::def()).openPasses(), 0u);
    core::relate(core::Consultas::def()).close();
  }));
}

TEST_F(ConsultationWindows, NotesAreKeptWholeOrRefusedAndNothingIsLost) {
  const int visit = addVisit("Control");
  // Formatted notes and accents are stored and read back as shown.
  std::string shown;
  runForm(core::request::Change, false, {[&](ConsultationForm& f) {
            auto* notes = f.control<QTextEdit>("?CON:NOTAS");
            notes->setHtml(QString::fromUtf8("Dolor de <b>cabeza</b> desde hace tres días."));
            shown = rt::fromQString(notes->toPlainText());
            click(f, "?OK");
          }},
          visit);
  ASSERT_TRUE(readVisit(visit));
  const std::string stored = core::CON().Notas;
  EXPECT_NE(stored.find("\\b"), std::string::npos) << stored;
  runForm(core::request::View, false, {[&](ConsultationForm& f) {
            EXPECT_EQ(rt::fromQString(f.control<QTextEdit>("?CON:NOTAS")->toPlainText()), shown);
            EXPECT_TRUE(f.control<QTextEdit>("?CON:NOTAS")->textCursor().charFormat().isValid());
            click(f, "?OK");
          }},
          visit);
  ASSERT_TRUE(readVisit(visit));
  EXPECT_EQ(core::CON().Notas, stored) << "viewing writes nothing";

  // Over the limit: OK stores nothing, says why and stays open with the notes;
  // Cancel then asks about the changed notes (answered No).
  ScriptedMessages messages({rt::button::Ok, rt::button::No});
  rt::testing::WindowScript attachment;
  attachment.on("Actualizando un registro de Adjuntos para los temas",
                [](rt::WindowDriver& w) { click(w, "?CANCEL"); });
  const QString longText(30000, QChar('x'));
  runForm(core::request::Change, false,
          {[&](ConsultationForm& f) {
             f.control<QTextEdit>("?CON:NOTAS")->setPlainText(longText);
             click(f, "?OK");
           },
           [&](ConsultationForm& f) {
             EXPECT_TRUE(f.isOpen());
             EXPECT_EQ(f.control<QTextEdit>("?CON:NOTAS")->toPlainText(), longText);
             // A new attachment now leaves the stored notes as they were.
             click(f, "?INSERT:ADJ");
           },
           [&](ConsultationForm& f) { click(f, "?CANCEL"); }},
          visit);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_NE(messages.asked()[0].text.find("25.000"), std::string::npos);
  EXPECT_EQ(messages.asked()[1].caption, "Guardar Registro");
  ASSERT_TRUE(readVisit(visit));
  EXPECT_EQ(core::CON().Notas, stored);
}

// Yes to the closing question stores as OK does, through the form's own
// checks: notes over their limit are refused there too, and the form stays.
TEST_F(ConsultationWindows, YesToTheClosingQuestionGoesThroughTheFormsOwnOk) {
  const int visit = addVisit("Control");
  ASSERT_TRUE(readVisit(visit));
  const std::string stored = core::CON().Notas;
  ScriptedMessages messages({rt::button::Yes, rt::button::Ok, rt::button::No});
  const QString longText(30000, QChar('x'));
  runForm(core::request::Change, false,
          {[&](ConsultationForm& f) {
             f.control<QTextEdit>("?CON:NOTAS")->setPlainText(longText);
             f.post(rt::event::CloseWindow);
           },
           [](ConsultationForm&) {},  // the OK that Yes posted
           [&](ConsultationForm& f) {
             EXPECT_TRUE(f.isOpen());
             EXPECT_EQ(f.control<QTextEdit>("?CON:NOTAS")->toPlainText(), longText);
             f.post(rt::event::CloseWindow);  // answered No
           }},
          visit);
  ASSERT_EQ(messages.asked().size(), 3u);
  EXPECT_EQ(messages.asked()[0].caption, "Guardar Registro");
  EXPECT_NE(messages.asked()[1].text.find("25.000"), std::string::npos);
  EXPECT_EQ(messages.asked()[2].caption, "Guardar Registro");
  ASSERT_TRUE(readVisit(visit));
  EXPECT_EQ(core::CON().Notas, stored);
}

// Enter in the notes ends a paragraph (a list's next item, an alignment of
// its own), Shift+Enter breaks the line inside one; Ctrl+B there styles the
// text, with no search taking the key.
// Two workstations on one consultation: the other saves a new reason while
// this one types formatted notes. After the refused OK the history key in the
// notes gives them back, format and all, and the next OK keeps the other's
// reason.
TEST_F(ConsultationWindows, AfterARefusedSaveTheHistoryKeyGivesTheNotesBack) {
  const int visit = addVisit("Control");
  rt::testing::OtherWorkstation other(folder_ / "Varneta.dat");
  ScriptedMessages messages;
  const int answer =
      runForm(core::request::Change, false,
              {[&](ConsultationForm& f) {
                 ASSERT_TRUE(other.change("Consulta", "Motivo = 'Control anual'",
                                          "Cod_Consulta = " + std::to_string(visit)))
                     << other.error();
                 f.control<QTextEdit>("?CON:NOTAS")->setHtml("Dolor de <b>cabeza</b>.");
                 click(f, "?OK");
               },
               [&](ConsultationForm& f) {
                 ASSERT_TRUE(f.isOpen());
                 ASSERT_EQ(messages.asked().size(), 1u);
                 EXPECT_EQ(messages.asked()[0].caption, "Registro no Actualizado");
                 auto* notes = f.control<QTextEdit>("?CON:NOTAS");
                 notes->clear();
                 notes->setFocus();
                 QTest::keyClick(notes, Qt::Key_Apostrophe, Qt::ControlModifier);
               },
               [&](ConsultationForm& f) {
                 EXPECT_EQ(f.control<QTextEdit>("?CON:NOTAS")->toPlainText(), "Dolor de cabeza.");
                 click(f, "?OK");
               }},
              visit);
  EXPECT_EQ(answer, rt::kCompleted);
  ASSERT_TRUE(readVisit(visit));
  EXPECT_EQ(core::CON().Motivo.clipped(), "Control anual");
  EXPECT_NE(core::CON().Notas.find("\\b"), std::string::npos) << core::CON().Notas;
}

// In the default font the form fits a 1024x768 screen whole, the notes'
// tool bar included: it shows no scroll bar there.
TEST_F(ConsultationWindows, InTheDefaultFontTheFormFitsASmallScreenWithoutScrolling) {
  const int visit = addVisit("Control");
  runForm(core::request::Change, false, {[&](ConsultationForm& f) {
            const int needs = f.window()->minimumSizeHint().width();
            EXPECT_FALSE(rt::fitWithin(f.window(), QRect(0, 0, 1024, 768)))
                << "needs " << needs << " wide";
            EXPECT_EQ(f.window()->findChild<QScrollArea*>(), nullptr);
            click(f, "?CANCEL");
          }},
          visit);
}

TEST_F(ConsultationWindows, EnterInTheNotesStartsAParagraph) {
  const int visit = addVisit("Control");
  runForm(core::request::Change, false, {[&](ConsultationForm& f) {
            auto* notes = f.control<QTextEdit>("?CON:NOTAS");
            QTest::keyClicks(notes, "uno");
            QTest::keyClick(notes, Qt::Key_Return);
            QTest::keyClick(notes, Qt::Key_B, Qt::ControlModifier);
            QTest::keyClicks(notes, "dos");
            QTest::keyClick(notes, Qt::Key_Return, Qt::ShiftModifier);
            QTest::keyClicks(notes, "tres");
            click(f, "?OK");
          }},
          visit);
  ASSERT_TRUE(readVisit(visit));
  const std::string stored = core::CON().Notas;
  // Control words counted whole: "\par" is not "\pard", "\line" not "\linex".
  const auto count = [&stored](const std::string& word) {
    int n = 0;
    for (std::size_t at = stored.find(word); at != std::string::npos;
         at = stored.find(word, at + 1)) {
      const std::size_t end = at + word.size();
      if (end >= stored.size() || !std::isalpha(static_cast<unsigned char>(stored[end]))) ++n;
    }
    return n;
  };
  EXPECT_EQ(count("\\par"), 2) << stored;
  EXPECT_EQ(count("\\line"), 1) << stored;
  EXPECT_NE(stored.find("\\b"), std::string::npos) << stored;
}

TEST_F(ConsultationWindows, NotesNearTheLimitLeftAsTheyWereDoNotStopASave) {
  // Stored markup just under the limit, which the editor would write longer.
  std::string markup = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 ";
  while (markup.size() < kNotesLimit - 100) markup += "Estable {\\b sin cambios}.\\par ";
  markup += "}";
  const int visit = addVisit("Control", markup);
  ScriptedMessages messages;
  runForm(core::request::Change, false, {[](ConsultationForm& f) {
            f.control<QLineEdit>("?CON:MOTIVO")->setText("Control anual");
            click(f, "?OK");
          }},
          visit);
  EXPECT_TRUE(messages.asked().empty());
  ASSERT_TRUE(readVisit(visit));
  EXPECT_EQ(core::CON().Motivo, "Control anual");
  EXPECT_EQ(core::CON().Notas, markup);
}

TEST_F(ConsultationWindows, NotesTypedBeforeAnAttachmentAreStoredFirstAndEditsSurviveNestedForms) {
  const int visit = addVisit("Control");
  std::string notesSeenByAttachment;
  rt::registerProcedure("FormularioPacientes", [](const rt::ProcedureArgs&) {
    // The patient form's history reads other consultations into the buffer.
    core::Consultas::table().clear();
    core::CON().Cod_Consulta = 999;
    core::CON().Motivo = "otra";
    return rt::kCancelled;
  });
  const std::filesystem::path file = folder_ / "adjuntos" / "analisis.pdf";
  std::ofstream(file) << "pdf";
  rt::setFileChooser([&](const rt::FileRequest& request) -> std::optional<std::string> {
    EXPECT_EQ(request.title, "Seleccione el Archivo Adjunto");
    return file.string();
  });
  rt::testing::WindowScript attachment;
  attachment.on("Actualizando un registro de Adjuntos para los temas", [&](rt::WindowDriver& w) {
    readVisit(static_cast<int>(core::ADJ().Cod_Consulta));
    notesSeenByAttachment = core::CON().Notas;
    click(w, "?PICKFILE");
    click(w, "?OK");
  });
  const std::filesystem::path before = std::filesystem::current_path();
  runForm(core::request::Change, false,
          {[](ConsultationForm& f) {
             f.control<QLineEdit>("?CON:MOTIVO")->setText("Control anual");
             f.control<QTextEdit>("?CON:NOTAS")->setPlainText("Presion normal");
             click(f, "?EDITPATIENT");
           },
           [](ConsultationForm& f) {
             EXPECT_EQ(text(f, "?CON:MOTIVO"), "Control anual");
             click(f, "?INSERT:ADJ");
           },
           [](ConsultationForm& f) {
             EXPECT_EQ(f.attachments()->RecordsInView(), 1);
             EXPECT_EQ(text(f, "?CON:MOTIVO"), "Control anual");
             click(f, "?OK");
           }},
          visit);
  EXPECT_NE(notesSeenByAttachment.find("Presion normal"), std::string::npos);
  EXPECT_EQ(std::filesystem::current_path(), before);
  ASSERT_TRUE(readVisit(visit));
  EXPECT_EQ(core::CON().Motivo, "Control anual");
  core::Adjuntos::table().clear();
  core::Adjuntos::table().setToStart(core::Adjuntos::ADJ01);
  ASSERT_EQ(core::Adjuntos::table().next(), 0);
  EXPECT_EQ(std::string(core::ADJ().Archivo_Adjunto.clipped()), file.string());
}

TEST_F(ConsultationWindows, ACancelledNewConsultationTakesItsAttachmentsAndADeleteLeavesTheFiles) {
  const std::filesystem::path file = folder_ / "adjuntos" / "rx.png";
  std::ofstream(file) << "png";
  rt::setFileChooser(
      [&](const rt::FileRequest&) { return std::optional<std::string>(file.string()); });
  rt::testing::WindowScript attachments;
  for (int i = 0; i < 2; ++i) {
    attachments.on("Actualizando un registro de Adjuntos para los temas", [](rt::WindowDriver& w) {
      click(w, "?PICKFILE");
      click(w, "?OK");
    });
  }
  runForm(core::request::Insert, false,
          {[](ConsultationForm& f) { click(f, "?INSERT:ADJ"); },
           [](ConsultationForm& f) { click(f, "?INSERT:ADJ"); },
           [](ConsultationForm& f) {
             EXPECT_EQ(f.attachments()->RecordsInView(), 2);
             click(f, "?CANCEL");
           }});
  EXPECT_EQ(core::Adjuntos::table().records(), 0);
  EXPECT_EQ(core::Consultas::table().records(), 0);

  // A delete of an attachment asks once, never opens the form, keeps the file.
  const int visit = addVisit("Control");
  core::Adjuntos::table().clear();
  core::ADJ().Cod_Consulta = static_cast<std::uint32_t>(visit);
  core::ADJ().Archivo_Adjunto = file.string();
  ASSERT_EQ(core::Adjuntos::table().addNumbered(), 0);
  ScriptedMessages yes({rt::button::Yes});
  runForm(core::request::Change, false,
          {[](ConsultationForm& f) { click(f, "?DELETE:ADJ"); },
           [](ConsultationForm& f) {
             EXPECT_EQ(f.attachments()->RecordsInView(), 0);
             click(f, "?OK");
           }},
          visit);
  EXPECT_EQ(yes.asked().size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(ConsultationWindows, APickedPathIsCheckedAndACancelledPickKeepsIt) {
  const int visit = addVisit("Control");
  core::Adjuntos::table().clear();
  core::ADJ().Cod_Consulta = static_cast<std::uint32_t>(visit);
  core::ADJ().Archivo_Adjunto = "viejo.pdf";
  ASSERT_EQ(core::Adjuntos::table().addNumbered(), 0);
  const std::string tooLong = (folder_ / std::string(260, 'a')).string();
  std::vector<std::optional<std::string>> answers = {tooLong, std::nullopt};
  rt::setFileChooser([&](const rt::FileRequest&) {
    auto answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  // The refusal only: the kept path leaves the record as it was, so Cancel
  // closes without asking.
  ScriptedMessages messages({rt::button::Ok});
  ASSERT_TRUE(runOnThread([&] {
    readVisit(visit);
    core::Adjuntos::table().clear();
    core::Adjuntos::table().setToStart(core::Adjuntos::ADJ01);
    core::relate(core::Adjuntos::def()).open();
    ASSERT_EQ(core::Adjuntos::table().next(), 0);
    Probed<AttachmentForm> attachment;
    attachment.probe([](AttachmentForm& w) { click(w, "?PICKFILE"); });  // refused: too long
    attachment.probe([](AttachmentForm& w) {
      EXPECT_EQ(text(w, "?ADJ:ARCHIVO_ADJUNTO"), "viejo.pdf");
      click(w, "?PICKFILE");  // cancelled
    });
    attachment.probe([](AttachmentForm& w) {
      EXPECT_EQ(text(w, "?ADJ:ARCHIVO_ADJUNTO"), "viejo.pdf");
      click(w, "?CANCEL");
    });
    rt::ThreadRequest() = core::request::Change;
    attachment.Run();
    core::relate(core::Adjuntos::def()).close();
  }));
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text,
            "El nombre del archivo es demasiado largo o tiene caracteres no admitidos."_cp);
}

TEST_F(ConsultationWindows, AnOpenFailureShowsTheShellsTextAndAnUnknownCodeNothing) {
  std::ofstream(folder_ / "informe.pdf") << "x";
  const std::string path = (folder_ / "informe.pdf").string() + "   ";
  for (int code : {0, 2, 3, 5, 31, 4, 33}) {
    rt::ShellCodeOpener previous = rt::setShellCodeOpener([code](const std::string& target) {
      EXPECT_EQ(target.back(), 'f') << "trailing blanks dropped";
      return code;
    });
    ScriptedMessages messages;
    core::AbrirArchivoAdjunto(path);
    rt::setShellCodeOpener(previous);
    const std::string_view expected = rt::shellOpenErrorText(code);
    if (expected.empty()) {
      EXPECT_TRUE(messages.asked().empty()) << code;
    } else {
      ASSERT_EQ(messages.asked().size(), 1u) << code;
      EXPECT_EQ(messages.asked()[0].text, expected);
      EXPECT_EQ(messages.asked()[0].caption, "ERROR");
      EXPECT_EQ(messages.asked()[0].icon, rt::MessageIcon::Error);
    }
  }
}

TEST_F(ConsultationWindows, TheNotesPassTrimsOnlyWhatChangesAndReportsTheLongest) {
  ASSERT_TRUE(runOnThread([] {
    core::relate(core::Consultas::def()).open();
    EXPECT_EQ(passOverNotes().longest, 0u) << "an empty table";
    core::relate(core::Consultas::def()).close();
  }));
  const int padded = addVisit("a", "   Nota con blancos  ");
  const int clean = addVisit("b", "Sin blancos");
  ASSERT_TRUE(readVisit(clean));
  const std::int64_t cleanVersion = core::Consultas::table().version();
  NotesPass pass;
  ASSERT_TRUE(runOnThread([&] {
    core::relate(core::Consultas::def()).open();
    pass = passOverNotes();
    core::relate(core::Consultas::def()).close();
  }));
  EXPECT_EQ(pass.longest, std::string("Nota con blancos").size());
  EXPECT_EQ(pass.rewritten, 1);
  ASSERT_TRUE(readVisit(padded));
  EXPECT_EQ(core::CON().Notas, "Nota con blancos");
  ASSERT_TRUE(readVisit(clean));
  EXPECT_EQ(core::Consultas::table().version(), cleanVersion) << "not rewritten";
}

TEST_F(ConsultationWindows, TheNotesPassSaysHowManyNotesItCouldNotWrite) {
  const std::string kDone = "El proceso ha finalizado.|Puede seguir utilizando el Sistema. -> ";
  addVisit("a", "  uno");
  addVisit("b", "dos");
  addVisit("c", " tres");
  {
    ScriptedMessages messages;
    ASSERT_TRUE(runOnThread([] { CuentaLargoConsulta(); }));
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text, kDone + "4");
    EXPECT_EQ(messages.asked()[0].caption, "Fin de Proceso");
    EXPECT_EQ(messages.asked()[0].icon, rt::MessageIcon::Information);
  }
  addVisit("d", "  cuatro");
  addVisit("e", "   cinco");
  // Another workstation holds the write lock for the whole pass.
  auto other = std::make_unique<rt::testing::OtherWorkstation>(folder_ / "Varneta.dat");
  ASSERT_TRUE(other->holdWriteLock()) << other->error();
  ScriptedMessages messages;
  ASSERT_TRUE(runOnThread([] { CuentaLargoConsulta(); }));
  other.reset();
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text,
            kDone +
                "6||No se pudieron actualizar 2 consultas (en uso o cambiadas en otro "
                "puesto). Vuelva a ejecutar el proceso.");
  EXPECT_EQ(messages.asked()[0].icon, rt::MessageIcon::Warning);
  ASSERT_TRUE(readVisit(4));
  EXPECT_EQ(core::CON().Notas, "  cuatro") << "left as stored";
}

TEST_F(ConsultationWindows, TheLogListsNewestFirstWithWordsSearchAndTenColumnsExported) {
  const int visit = addVisit("Control");
  auto entry = [&](rt::Date date, int hour, const char* letter) {
    core::LogConsultas::table().clear();
    core::LCN().Cod_Consulta = static_cast<std::uint32_t>(visit);
    core::LCN().Fecha = date;
    core::LCN().Hora = rt::makeTime(hour, 0);
    core::LCN().Operacion = letter;
    ASSERT_EQ(core::LogConsultas::table().addNumbered(), 0);
  };
  entry(kToday - 1, 9, "A");
  entry(kToday, 8, "M");
  entry(kToday, 17, "B");
  entry(kToday, 12, "X");
  std::vector<core::ExportColumn> handed;
  rt::registerProcedure(core::kExportWindow, [&](const rt::ProcedureArgs&) {
    handed = core::currentExportHandOver()->columns;
    EXPECT_EQ(core::currentExportHandOver()->title, "Administrator the LogConsultas");
    EXPECT_EQ(core::currentExportHandOver()->group->procedure, "ExaminarLogConsulta6");
    return 0;
  });
  rt::testing::WindowScript search;
  search.on("Busqueda...", [](rt::WindowDriver& w) {
    w.control<QComboBox>("?SEARCHFIELDS")->setCurrentIndex(4);  // the word column
    w.post(rt::event::Accepted, w.control("?SEARCHFIELDS"));
    w.control<QLineEdit>("?SEARCHVALUE")->setText("Baja");
    click(w, "?FIND");
  });
  ScriptedMessages none;
  ASSERT_TRUE(runOnThread([&] {
    Probed<ConsultationLogList> list(static_cast<std::uint32_t>(visit));
    list.probe([](ConsultationLogList& l) {
      QAbstractItemModel* m = l.browser().list()->model();
      ASSERT_EQ(m->rowCount(), 4);
      const char* words[] = {"Baja", "Indeterminada", "Modificación"_cp, "Alta"};
      for (int r = 0; r < 4; ++r)
        EXPECT_EQ(rt::fromQString(m->data(m->index(r, 4)).toString()), words[r]);
      EXPECT_EQ(text(l, "?PAC:NOMBRE"), "Ana Lopez");
      // The search finds the word, although "B" is stored.
      l.browser().list()->setCurrentIndex(m->index(3, 0));
      l.search()->TakeKey(Qt::Key_B | static_cast<int>(Qt::ControlModifier));
    });
    list.probe([](ConsultationLogList& l) {
      EXPECT_EQ(l.browser().list()->currentIndex().row(), 0);
      click(l, "?EXPORT");
    });
    list.probe([](ConsultationLogList& l) { click(l, "?CLOSE"); });
    list.Run();
  }));
  EXPECT_EQ(handed.size(), 10u);
  EXPECT_TRUE(none.asked().empty()) << none.asked()[0].text;
}

}  // namespace
}  // namespace practice
