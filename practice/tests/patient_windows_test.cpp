// The patient form and list: the age text, the mail link, the locality
// type-ahead, the code lookups, delete, the clinical history, a form's record
// kept across what it calls, view mode, numbering past the code range, the
// list's filter and colours, and the export hand-over of both lists.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <functional>
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
#include "platform/base/procedures.h"
#include "platform/base/testing/fixed_clock.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/data/testing/other_workstation.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/patient_form.h"
#include "practice/patient_list.h"

namespace practice {
namespace {

using core::testing::Probed;
using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;

rt::Date d(int day, int month, int year) { return rt::makeDate(month, day, year); }
const rt::Date kToday = d(10, 12, 2026);

// What the export window was handed, read while it ran.
struct Handed {
  std::vector<core::ExportColumn> columns;
  std::vector<std::string> parameters;
  std::vector<std::vector<std::string>> rows;  // fields 1 to 30 of each row
  int mode = -1;
  std::string title, procedure, app, folder;
};

class PatientWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(
        core::testing::openFreshPractice("patients", folder_, core::testing::Tables::AllOpen));
    core::registerTableManagers();
    core::installThreadRoutines();
    core::BuildArchivoLog();
    clock_.emplace(kToday, rt::makeTime(10, 0));
    GLO::DirectorioExportacion = "Exportados";
    GLO::OpcionExportacion = 1;
    rt::registerProcedure(core::kExportWindow, [this](const rt::ProcedureArgs&) {
      const core::ExportHandOver* h = core::currentExportHandOver();
      Handed r;
      r.columns = h->columns;
      r.parameters = h->parameters;
      r.mode = h->mode;
      r.title = h->title;
      r.procedure = h->group->procedure;
      r.app = h->group->app;
      r.folder = std::filesystem::current_path().string();
      r.rows = core::allExportRows(*h->rows, 30);
      handed_.push_back(std::move(r));
      return 0;
    });
  }
  void TearDown() override {
    for (const char* p : {core::kExportWindow, "FormularioConsultas", "ExaminarCoberturas",
                          "ExaminarLocalidades", "ExaminarOcupaciones", "ReportePacientes"}) {
      rt::unregisterProcedure(p);
    }
    core::closeAllTables();
    rt::closeDatabase();
  }

  static int addPatient(const std::string& name, rt::Date born = 0, int inactive = 0,
                        int coverage = 0) {
    core::Pacientes::table().clear();
    core::PAC().Nombre = name;
    core::PAC().Fecha_Nacim = born;
    core::PAC().Inactivo = static_cast<std::uint8_t>(inactive);
    core::PAC().Cod_Cobertura = static_cast<std::uint16_t>(coverage);
    core::PAC().TipoDoc = "DNI";
    EXPECT_EQ(core::Pacientes::table().addNumbered(), 0);
    return core::PAC().Cod_Paciente;
  }
  static void addLocality(std::uint32_t code, const char* name) {
    core::Localidades::table().clear();
    core::LOC().Cod_Postal = code;
    core::LOC().NombreLocalidad = name;
    ASSERT_EQ(core::Localidades::table().add(), 0);
  }
  static void addCoverage(int code, const char* name) {
    core::Coberturas_Medicas::table().clear();
    core::COB().Cod_Cobertura = static_cast<std::uint16_t>(code);
    core::COB().Descripcion = name;
    ASSERT_EQ(core::Coberturas_Medicas::table().add(), 0);
  }
  static void addVisit(int patient, rt::Date day, const char* reason, const char* notes = "") {
    core::Consultas::table().clear();
    core::CON().Cod_Paciente = static_cast<std::uint16_t>(patient);
    core::CON().Fecha = day;
    core::CON().Motivo = reason;
    core::CON().Cod_TipoConsulta = 1;
    core::CON().Notas = notes;
    ASSERT_EQ(core::Consultas::table().addNumbered(), 0);
  }
  static std::string storedName(int code) {
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(code);
    if (core::Pacientes::table().fetch(core::Pacientes::PAS_001) != 0) return "<none>";
    return std::string(core::PAC().Nombre.clipped());
  }

  static void showHistory(PatientForm& f) {
    f.control<QTabWidget>("?CurrentTab")->setCurrentIndex(1);
  }

  // Runs the form on a thread under a request, with steps inside its loop.
  int runForm(int request, const std::vector<std::function<void(PatientForm&)>>& steps,
              int patient = 0) {
    int answer = 0;
    EXPECT_TRUE(runOnThread([&] {
      if (patient != 0) {
        core::PAC().Cod_Paciente = static_cast<std::uint16_t>(patient);
        core::Pacientes::table().fetch(core::Pacientes::PAS_001);
      }
      Probed<PatientForm> form;
      for (const auto& step : steps) form.probe(step);
      rt::ThreadRequest() = static_cast<std::uint8_t>(request);
      answer = form.Run();
    }));
    return answer;
  }
  void runList(const std::vector<std::function<void(PatientList&)>>& steps, int request = 0) {
    EXPECT_TRUE(runOnThread([&] {
      Probed<PatientList> list;
      for (const auto& step : steps) list.probe(step);
      rt::ThreadRequest() = static_cast<std::uint8_t>(request);
      list.Run();
    }));
  }

  std::filesystem::path folder_;
  std::optional<rt::testing::FixedClock> clock_;
  std::vector<Handed> handed_;
};

QString text(rt::WindowDriver& w, const char* name) { return w.control<QLineEdit>(name)->text(); }

TEST(PatientServices, AgeTextFollowsTheUnitsAndIsEmptyWithoutADate) {
  rt::testing::FixedClock clock(kToday, 1);
  struct Case {
    rt::Date birth;
    const char* age;
  } cases[] = {
      {0, ""},
      {kToday + 1, ""},
      {kToday, "0 Dias"},
      {kToday - 59, "59 Dias"},
      {kToday - 60, "1 Meses"},
      {d(11, 12, 2024), "23 Meses"},
      {d(10, 12, 2024), "2 Años"_cp},
      {d(29, 2, 2024), "2 Años"_cp},
  };
  for (const Case& c : cases) EXPECT_EQ(core::CalcularEdad(c.birth), c.age) << c.birth;
  EXPECT_EQ(core::CalcularEdad(d(1, 1, 1926), 5), "100 A");
}

TEST(PatientServices, MailLinkCannotAddHeaders) {
  struct Case {
    const char* address;
    const char* link;
  } cases[] = {
      {"", "mailto:"},
      {"ana.perez@mail.com   ", "mailto:ana.perez@mail.com"},
      {"x@h.com?cc=y@z.com&body=hola", "mailto:x@h.com%3Fcc%3Dy@z.com%26body%3Dhola"},
      {"muñoz@h.com"_cp, "mailto:mu%C3%B1oz@h.com"},
  };
  for (const Case& c : cases) EXPECT_EQ(core::mailLink(c.address), c.link);
  std::vector<std::string> opened;
  rt::ShellOpener previous = rt::setShellOpener([&](const std::string& t) { opened.push_back(t); });
  core::AbrirEnlaceEmail("");
  rt::setShellOpener(previous);
  EXPECT_EQ(opened, std::vector<std::string>{"mailto:"});
}

TEST_F(PatientWindows, LocalityTypeAheadCompletesInAnyCaseAndKeepsAPrefixWithoutMatch) {
  addLocality(1000, "BUENOS AIRES");
  addLocality(8000, "Bahia Blanca");
  addLocality(7620, "Balcarce");
  ASSERT_TRUE(runOnThread([] {
    core::relate(core::Localidades::def()).open();
    struct Case {
      const char* shown;
      int cursor;
      bool backspace;
      const char* name;
      std::uint32_t code;
      int start, end;
    } cases[] = {
        {"bu", 2, false, "BUENOS AIRES", 1000, 2, 12},
        {"BA", 2, false, "Bahia Blanca", 8000, 2, 12},
        {"bal", 3, false, "Balcarce", 7620, 3, 8},
        {"Bu", 2, true, "BUENOS AIRES", 1000, 1, 12},
        {"bx", 2, false, "bx", 0, 2, 2},
        {"Bahia Blancaxyz", 13, false, "Bahia Blancax", 0, 13, 13},
        {"", 0, false, "", 0, 0, 0},
    };
    for (const Case& c : cases) {
      const core::LocalityTypeAhead r = core::CompletarLocalidad(c.shown, c.cursor, c.backspace);
      EXPECT_EQ(r.name, c.name) << c.shown;
      EXPECT_EQ(r.found, c.code != 0) << c.shown;
      if (r.found) {
        EXPECT_EQ(r.postalCode, c.code) << c.shown;
      }
      EXPECT_EQ(r.selectionStart, c.start) << c.shown;
      EXPECT_EQ(r.selectionEnd, c.end) << c.shown;
    }
    core::relate(core::Localidades::def()).close();
  }));
}

TEST_F(PatientWindows, TypingALocalitySetsThePostalCodeAndTheAgeFollowsTheBirthDate) {
  addLocality(1000, "BUENOS AIRES");
  const int code = addPatient("Ana", 0);
  runForm(core::request::Change,
          {[](PatientForm& f) {
             EXPECT_EQ(text(f, "?LOC:EDADSTR"), "");
             auto* locality = f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD");
             locality->setFocus();
             QTest::keyClicks(locality, "bu");
           },
           [](PatientForm& f) {
             EXPECT_EQ(text(f, "?LOC:NOMBRELOCALIDAD"), "BUENOS AIRES");
             EXPECT_EQ(f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->selectedText(), "ENOS AIRES");
             EXPECT_EQ(text(f, "?PAC:COD_POSTAL"), "0001-000");
             auto* birth = f.control<QLineEdit>("?PAC:FECHA_NACIM");
             birth->setText("10/12/1980");
             f.post(rt::event::Accepted, birth);
           },
           [](PatientForm& f) {
             EXPECT_EQ(text(f, "?LOC:EDADSTR"), rt::toQString("46 Años"_cp));
             click(f, "?OK");
           }},
          code);
  core::PAC().Cod_Paciente = static_cast<std::uint16_t>(code);
  ASSERT_EQ(core::Pacientes::table().fetch(core::Pacientes::PAS_001), 0);
  EXPECT_EQ(core::PAC().Cod_Postal, 1000u);
  EXPECT_EQ(core::PAC().Fecha_Nacim, d(10, 12, 1980));
}

// Keys typed one at a time, each completed before the next comes: a letter
// typed over the completed rest goes on with the name, Backspace goes back.
TEST_F(PatientWindows, TheLocalityNameGoesOnCompletingKeyAfterKey) {
  addLocality(4400, "Salta");
  addLocality(8370, "San Martín de los Andes"_cp);
  addLocality(5000, "Córdoba"_cp);
  const int code = addPatient("Ana", 0);
  // One key on the locality name; "\b" is Backspace.
  auto type = [](PatientForm& f, const QString& key) {
    auto* locality = f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD");
    locality->setFocus();
    const int qtKey = key == "\b" ? Qt::Key_Backspace : Qt::Key_A;
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier, key == "\b" ? QString() : key);
    QApplication::sendEvent(locality, &press);
  };
  auto shows = [](PatientForm& f, const QString& name, const QString& rest, const char* postal) {
    EXPECT_EQ(f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->text(), name);
    EXPECT_EQ(f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->selectedText(), rest);
    EXPECT_EQ(text(f, "?PAC:COD_POSTAL"), postal);
  };
  const QString sanMartin = QString::fromUtf8("San Martín de los Andes");
  const QString cordoba = QString::fromUtf8("Córdoba");
  runForm(core::request::Change,
          {[&](PatientForm& f) { type(f, "S"); },
           [&](PatientForm& f) {
             shows(f, "Salta", "alta", "0004-400");
             type(f, "a");
           },
           [&](PatientForm& f) {
             shows(f, "Salta", "lta", "0004-400");
             type(f, "n");
           },
           [&](PatientForm& f) {
             shows(f, sanMartin, sanMartin.mid(3), "0008-370");
             type(f, "\b");
           },
           [&](PatientForm& f) {
             shows(f, sanMartin, sanMartin.mid(2), "0008-370");
             f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->clear();
             type(f, "C");
           },
           [&](PatientForm& f) { type(f, QString::fromUtf8("ó")); },
           [&](PatientForm& f) { type(f, "r"); },
           [&](PatientForm& f) {
             shows(f, cordoba, cordoba.mid(3), "0005-000");
             click(f, "?OK");
           }},
          code);
}

TEST_F(PatientWindows, CodeLookupsSkipZeroShowKnownCodesAndOpenTheListForUnknownOnes) {
  addCoverage(3, "OSDE 210");
  const int code = addPatient("Ana");
  int listCalls = 0;
  int answer = rt::kCancelled;
  rt::registerProcedure("ExaminarCoberturas", [&](const rt::ProcedureArgs&) {
    ++listCalls;
    EXPECT_EQ(rt::ThreadRequest(), core::request::Select);
    // A list reads records into the thread's patient buffer too.
    core::PAC().Nombre = "Otro";
    core::COB().Cod_Cobertura = 3;
    core::COB().Descripcion = "OSDE 210";
    return answer;
  });
  ScriptedMessages answers({rt::button::No});
  auto enter = [](PatientForm& f, const char* value) {
    auto* e = f.control<QLineEdit>("?PAC:COD_COBERTURA");
    e->setText(value);
    f.post(rt::event::Accepted, e);
  };
  runForm(core::request::Change,
          {[&](PatientForm& f) { enter(f, "0"); },
           [&](PatientForm& f) {
             EXPECT_EQ(listCalls, 0);
             EXPECT_EQ(text(f, "?COB:DESCRIPCION"), "");
             enter(f, "3");
           },
           [&](PatientForm& f) {
             EXPECT_EQ(listCalls, 0);
             EXPECT_EQ(text(f, "?COB:DESCRIPCION"), "OSDE 210");
             enter(f, "77");  // unknown: the list opens, and is cancelled
           },
           [&](PatientForm& f) {
             EXPECT_EQ(listCalls, 1);
             EXPECT_EQ(text(f, "?PAC:COD_COBERTURA").trimmed(), "77");
             EXPECT_EQ(f.window()->focusWidget(), f.control("?PAC:COD_COBERTURA"));
             answer = rt::kCompleted;
             enter(f, "78");  // this time a coverage is chosen
           },
           [&](PatientForm& f) {
             EXPECT_EQ(listCalls, 2);
             EXPECT_EQ(text(f, "?PAC:COD_COBERTURA").trimmed(), "3");
             EXPECT_EQ(text(f, "?PAC:NOMBRE"), "Ana");
             EXPECT_EQ(text(f, "?COB:DESCRIPCION"), "OSDE 210");
             // Typing goes on past the code and its read-only description.
             EXPECT_EQ(f.window()->focusWidget(), f.control("?PAC:NROCARNETOBRASOCIAL"));
             f.control("?PAC:NOMBRE")->setFocus();
             click(f, "?LOOKUPCOBERTURA");  // the list from the button: the same
           },
           [&](PatientForm& f) {
             EXPECT_EQ(listCalls, 3);
             EXPECT_EQ(f.window()->focusWidget(), f.control("?PAC:NROCARNETOBRASOCIAL"));
             click(f, "?CANCEL");  // the coverage changed: No to the question leaves it unstored
           }},
          code);
}

// A typed code without a record: the description beside it empties, and OK
// takes the code again, which opens the catalogue's list; left without a
// choice, the form stays on the code and nothing is stored.
TEST_F(PatientWindows, ACodeWithoutARecordIsLookedUpAgainAtOk) {
  addCoverage(3, "OSDE 210");
  const int code = addPatient("Ana", 0, 0, 3);
  int listCalls = 0;
  rt::registerProcedure("ExaminarCoberturas", [&](const rt::ProcedureArgs&) {
    ++listCalls;
    return rt::kCancelled;
  });
  ScriptedMessages answers({rt::button::No});
  const int answer =
      runForm(core::request::Change,
              {[](PatientForm& f) {
                 EXPECT_EQ(text(f, "?COB:DESCRIPCION"), "OSDE 210");
                 auto* coverage = f.control<QLineEdit>("?PAC:COD_COBERTURA");
                 coverage->setText("77");
                 f.post(rt::event::Accepted, coverage);
               },
               [&](PatientForm& f) {
                 EXPECT_EQ(listCalls, 1);
                 EXPECT_EQ(text(f, "?COB:DESCRIPCION"), "");
                 EXPECT_EQ(text(f, "?COB:DESCRIPCION:2"), "");
                 f.control<QLineEdit>("?PAC:NOMBRE")->setText("Ana Maria");
                 click(f, "?OK");
               },
               [&](PatientForm& f) {
                 EXPECT_EQ(listCalls, 2) << "OK opens the list again";
                 ASSERT_TRUE(f.isOpen());
                 EXPECT_EQ(f.window()->focusWidget(), f.control("?PAC:COD_COBERTURA"));
                 EXPECT_EQ(text(f, "?PAC:COD_COBERTURA").trimmed(), "77");
                 EXPECT_EQ(text(f, "?COB:DESCRIPCION"), "");
                 click(f, "?CANCEL");
               }},
              code);
  EXPECT_EQ(answer, rt::kCancelled);
  EXPECT_EQ(listCalls, 2);
  EXPECT_EQ(storedName(code), "Ana") << "nothing stored";
  EXPECT_EQ(core::PAC().Cod_Cobertura, 3);
}

TEST_F(PatientWindows, DeleteAsksOnCompletionAndTheRelationsRefuseWithTheirTable) {
  const int keep = addPatient("Con consulta");
  addVisit(keep, kToday, "Control");
  const int booked = addPatient("Con turno");
  core::Turnos::table().clear();
  core::TUR().Cod_Turno = 1;
  core::TUR().Cod_Paciente = static_cast<std::uint32_t>(booked);
  ASSERT_EQ(core::Turnos::table().add(), 0);
  const int lettered = addPatient("Con carta");
  core::NotasMacros::table().clear();
  core::NMA().Cod_NotaMacro = 1;
  core::NMA().Descripcion = "Carta";
  core::NMA().Cod_Paciente = static_cast<std::uint16_t>(lettered);
  ASSERT_EQ(core::NotasMacros::table().add(), 0);
  const int gone = addPatient("Sin nada");
  struct Case {
    int patient;
    int answer;
    int response;
    bool stays;
    const char* refusedBy;  // the table a refusal names
  } cases[] = {
      {gone, rt::button::No, rt::kCancelled, true, nullptr},
      // Refused: the form stays open until cancelled.
      {keep, rt::button::Yes, 0, true, "Consultas"},
      {booked, rt::button::Yes, 0, true, "Turnos"},
      {lettered, rt::button::Yes, 0, true, "NotasMacros"},
      {gone, rt::button::Yes, rt::kCompleted, false, nullptr},
  };
  for (const Case& c : cases) {
    ScriptedMessages messages({c.answer, rt::button::Ok});
    const int response = runForm(core::request::Delete,
                                 {[](PatientForm& f) {
                                    EXPECT_TRUE(f.control("?DELETEWARNING")->isVisible());
                                    click(f, "?OK");
                                  },
                                  [](PatientForm& f) {
                                    if (f.isOpen()) click(f, "?CANCEL");
                                  }},
                                 c.patient);
    ASSERT_GE(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, "Borrado de Paciente") << messages.asked()[0].text;
    if (c.response != 0) {
      EXPECT_EQ(response, c.response);
    }
    EXPECT_EQ(storedName(c.patient) != "<none>", c.stays);
    if (c.refusedBy != nullptr) {
      ASSERT_EQ(messages.asked().size(), 2u);
      EXPECT_NE(messages.asked()[1].text.find(c.refusedBy), std::string::npos)
          << messages.asked()[1].text;
    }
  }
}

TEST_F(PatientWindows, AConsultationAddedToANewPatientFindsThePatientWrittenWithItsCode) {
  std::string seenName;
  rt::registerProcedure("FormularioConsultas", [&](const rt::ProcedureArgs& args) {
    EXPECT_EQ(args, rt::ProcedureArgs{"0"});
    EXPECT_EQ(rt::ThreadRequest(), core::request::Insert);
    core::TableAccess& a = core::access(core::Consultas::def());
    a.primeRecord();  // the history's range comes with the new record
    const int patient = core::CON().Cod_Paciente;
    seenName = storedName(patient);
    core::CON().Fecha = kToday;
    core::CON().Motivo = "Primera consulta";
    EXPECT_EQ(a.insertNumbered(false), core::level::Benign);
    EXPECT_EQ(a.insert(false), core::level::Benign);
    return rt::kCompleted;
  });
  const int answer = runForm(core::request::Insert,
                             {[](PatientForm& f) {
                                f.control<QLineEdit>("?PAC:NOMBRE")->setText("Nueva Paciente");
                                showHistory(f);
                                click(f, "?INSERT");
                              },
                              [](PatientForm& f) {
                                EXPECT_EQ(f.history()->RecordsInView(), 1);
                                EXPECT_TRUE(f.control("?EXPORT")->isEnabled());
                                EXPECT_EQ(text(f, "?PAC:NOMBRE"), "Nueva Paciente");
                                click(f, "?OK");
                              }});
  EXPECT_EQ(answer, rt::kCompleted);
  EXPECT_EQ(seenName, "Nueva Paciente");
  EXPECT_EQ(storedName(1), "Nueva Paciente");
  EXPECT_EQ(core::PAC().Fecha_Primer_Consulta, kToday);
}

TEST_F(PatientWindows, EditsSurviveANestedWindowThatReadsAnotherPatient) {
  const int ana = addPatient("Ana");
  const int beto = addPatient("Beto");
  addVisit(ana, kToday, "Control");
  bool saveBeto = false;
  rt::registerProcedure("FormularioConsultas", [&](const rt::ProcedureArgs&) {
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(beto);
    core::Pacientes::table().fetch(core::Pacientes::PAS_001);
    if (saveBeto) {  // the nested window changes the form's own patient instead
      core::PAC().Cod_Paciente = static_cast<std::uint16_t>(ana);
      core::Pacientes::table().fetch(core::Pacientes::PAS_001);
      core::PAC().Telefono = "4000-0000";
      EXPECT_EQ(core::Pacientes::table().put(), 0);
    }
    return rt::kCancelled;
  });
  // The refusal, then No to saving the changed patient on Cancel.
  ScriptedMessages messages({rt::button::Ok, rt::button::No});
  runForm(core::request::Change,
          {[](PatientForm& f) {
             f.control<QLineEdit>("?PAC:NOMBRE")->setText("Ana Maria");
             showHistory(f);
             click(f, "?CHANGE");
           },
           [](PatientForm& f) {
             EXPECT_EQ(text(f, "?PAC:NOMBRE"), "Ana Maria");
             click(f, "?OK");
           }},
          ana);
  EXPECT_TRUE(messages.asked().empty());
  EXPECT_EQ(storedName(ana), "Ana Maria");
  EXPECT_EQ(storedName(beto), "Beto");

  // Saved meanwhile by the nested window: OK meets the change refusal.
  saveBeto = true;
  runForm(core::request::Change,
          {[](PatientForm& f) {
             f.control<QLineEdit>("?PAC:NOMBRE")->setText("Ana Lopez");
             showHistory(f);
             click(f, "?CHANGE");
           },
           [](PatientForm& f) { click(f, "?OK"); },
           [](PatientForm& f) {
             if (f.isOpen()) click(f, "?CANCEL");
           }},
          ana);
  ASSERT_FALSE(messages.asked().empty());
  EXPECT_EQ(storedName(ana), "Ana Maria");
  EXPECT_EQ(core::PAC().Telefono, "4000-0000");
}

// Text the patient's fields cannot hold as typed is refused at OK with a
// message naming the entry by its prompt: the form stays open with the text
// as typed, and nothing of the record is stored (nor the other change made
// with it). What the code page holds is stored as typed.
// Leaving an entry the form would refuse for its Cancel is not barred: the
// closing question asks, No closes with nothing stored, Yes refuses at OK.
TEST_F(PatientWindows, ARefusedEntryNeverBarsTheWayToCancel) {
  for (const int answer : {rt::button::No, rt::button::Yes}) {
    SCOPED_TRACE(answer);
    const int code = addPatient("Ana");
    ScriptedMessages messages({answer, rt::button::Ok, rt::button::No});
    const int response = runForm(
        core::request::Change,
        {[&](PatientForm& f) {
           f.control("?PAC:NOMBRE")->setFocus();
           f.control<QLineEdit>("?PAC:NOMBRE")->setText(QString::fromUtf8("Łukasz"));
         },
         [&](PatientForm& f) {
           f.control("?CANCEL")->setFocus();  // as a click on it moves the focus
           click(f, "?CANCEL");
         },
         [](PatientForm&) {},  // the close request
         [](PatientForm&) {},  // Yes: the OK it posted
         [&](PatientForm& f) {
           EXPECT_TRUE(f.isOpen());
           EXPECT_EQ(f.control<QLineEdit>("?PAC:NOMBRE")->text(), QString::fromUtf8("Łukasz"));
           click(f, "?CANCEL");
         }},
        code);
    EXPECT_EQ(response, rt::kCancelled);
    ASSERT_GE(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, "Guardar Registro");
    if (answer == rt::button::Yes) {
      ASSERT_EQ(messages.asked().size(), 3u);
      EXPECT_NE(messages.asked()[1].text.find("U+0141"), std::string::npos);
      EXPECT_EQ(messages.asked()[2].caption, "Guardar Registro");
    } else {
      EXPECT_EQ(messages.asked().size(), 1u);
    }
    EXPECT_EQ(storedName(code), "Ana");
  }
}

TEST_F(PatientWindows, TextThatCannotBeStoredAsTypedIsRefusedAtOkAndKept) {
  const struct Case {
    const char* control;
    QString typed;
    const char* said;  // nullptr: stored
  } cases[] = {
      {"?PAC:NOTAS", QString(1500, 'n'),
       "Notas: el texto tiene 1.500 caracteres y se pueden guardar hasta 1.000."},
      // A megabyte pasted, in lines as a pasted text comes.
      {"?PAC:ANT_PERSONALES", (QString(79, 'a') + '\n').repeated(13108),
       "Antecedentes Personales: el texto tiene 1.048.640 caracteres y se pueden guardar hasta "
       "1.000."},
      {"?PAC:NOMBRE", QString::fromUtf8("Łukasz Nowak"),
       "Nombre: el carácter U+0141 (posición 1) no se puede guardar"},
      {"?PAC:ANT_FAMILIARES", QString::fromUtf8("Padre: Ğ, madre: Ł"),
       "Antecedentes Familiares: los caracteres U+011E (posición 8) y U+0141 (posición 18) no se "
       "pueden guardar"},
      {"?PAC:NRODOC", "12ab34", "Nro. Documento: \"12ab34\" no es un valor válido."},
      {"?PAC:NOMBRE", QString::fromUtf8("Straße €uro Muñoz Nº"), nullptr},
      {"?PAC:NOTAS", QString::fromUtf8("ß € º ñ ü á é í ó ú ¿¡") + QString(977, 'x'), nullptr},
  };
  auto textOf = [](QWidget* control) {
    if (auto* box = qobject_cast<QPlainTextEdit*>(control)) return box->toPlainText();
    return qobject_cast<QLineEdit*>(control)->text();
  };
  auto type = [](QWidget* control, const QString& text) {
    if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
      box->setPlainText(text);
    } else {
      qobject_cast<QLineEdit*>(control)->setText(text);
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    const int code = addPatient("Ana");
    ScriptedMessages messages;
    QString shown;
    runForm(core::request::Change,
            {[&](PatientForm& f) {
               shown = textOf(f.control(c.control));
               type(f.control(c.control), c.typed);
               f.control<QLineEdit>("?PAC:TELEFONO")->setText("4000-0000");
               click(f, "?OK");
             },
             [&](PatientForm& f) {
               // Refused: still open, the text as typed, the focus on it.
               EXPECT_TRUE(f.isOpen());
               EXPECT_EQ(textOf(f.control(c.control)), c.typed);
               EXPECT_EQ(f.window()->focusWidget(), f.control(c.control));
               // Put back as it was, the form closes without a question.
               type(f.control(c.control), shown);
               f.control<QLineEdit>("?PAC:TELEFONO")->clear();
               click(f, "?CANCEL");
             }},
            code);
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(code);
    ASSERT_EQ(core::Pacientes::table().fetch(core::Pacientes::PAS_001), 0);
    const core::PacientesBuffer& pac = core::PAC();
    const std::string stored = std::string(pac.Nombre.clipped()) + "|" + pac.Notas + "|" +
                               pac.Ant_Personales + "|" + pac.Ant_Familiares + "|" +
                               std::to_string(pac.NroDoc) + "|" +
                               std::string(pac.Telefono.clipped());
    if (c.said == nullptr) {
      EXPECT_TRUE(messages.asked().empty());
      const std::string typed = rt::fromQString(c.typed);
      const bool name = std::string(c.control) == "?PAC:NOMBRE";
      EXPECT_EQ(stored, (name ? typed : "Ana") + "|" + (name ? "" : typed) + "|||0|4000-0000")
          << "stored as typed";
      continue;
    }
    EXPECT_EQ(stored, "Ana||||0|") << "nothing stored, nor the other change";
    EXPECT_EQ(messages.asked().size(), 1u);
    if (messages.asked().empty()) continue;
    const QString said = rt::toQString(messages.asked()[0].text).replace('|', ' ');
    EXPECT_NE(said.indexOf(QString::fromUtf8(c.said)), -1) << said.toStdString();
  }
}

void pressHistoryKey(PatientForm& f, const char* name) {
  QWidget* control = f.control(name);
  control->setFocus();
  QTest::keyClick(control, Qt::Key_Apostrophe, Qt::ControlModifier);
}

std::string notesShown(PatientForm& f) {
  return rt::fromQString(f.control<QPlainTextEdit>("?PAC:NOTAS")->toPlainText());
}

// Two workstations on one patient: the other saves a new phone while this one
// types in the notes. OK is refused; the history key gives back what each
// field held at that OK, and the next OK keeps the other's phone.
TEST_F(PatientWindows, AfterARefusedSaveTheHistoryKeyGivesBackWhatWasTyped) {
  const int code = addPatient("Ana");
  const std::string stored(999, 'n');
  const std::string typed = std::string(983, 'n') + " Llamar el lunes";
  core::PAC().Telefono = "4111-1111";
  core::PAC().Notas = stored;
  ASSERT_EQ(core::Pacientes::table().put(), 0);
  rt::testing::OtherWorkstation other(folder_ / "Varneta.dat");
  ScriptedMessages messages;
  const int answer = runForm(
      core::request::Change,
      {[](PatientForm& f) { pressHistoryKey(f, "?PAC:NOTAS"); },
       [&](PatientForm& f) {
         EXPECT_EQ(notesShown(f), stored) << "nothing tried yet: the key puts nothing over it";
         ASSERT_TRUE(other.change("PACIENTE", "Telefono = '4222-2222'",
                                  "Cod_Paciente = " + std::to_string(code)))
             << other.error();
         f.control<QPlainTextEdit>("?PAC:NOTAS")->setPlainText(rt::toQString(typed));
         click(f, "?OK");
       },
       [&](PatientForm& f) {
         ASSERT_TRUE(f.isOpen());
         ASSERT_EQ(messages.asked().size(), 1u);
         EXPECT_EQ(messages.asked()[0].caption, "Registro no Actualizado");
         EXPECT_EQ(text(f, "?PAC:TELEFONO"), "4222-2222") << "the other's record shows";
         pressHistoryKey(f, "?PAC:NOTAS");
       },
       [&](PatientForm& f) {
         EXPECT_EQ(notesShown(f), typed);
         pressHistoryKey(f, "?PAC:TELEFONO");
       },
       [&](PatientForm& f) {
         EXPECT_EQ(text(f, "?PAC:TELEFONO"), "4111-1111") << "as it was at the refused OK";
         f.control<QLineEdit>("?PAC:TELEFONO")->setText("4222-2222");
         click(f, "?OK");
       }},
      code);
  EXPECT_EQ(answer, rt::kCompleted);
  EXPECT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(storedName(code), "Ana");
  EXPECT_EQ(core::PAC().Telefono.clipped(), "4222-2222");
  EXPECT_EQ(core::PAC().Notas, typed);
}

// Closing a changed patient by its Cancel button, Esc or the close box asks
// whether to save it, Cancel the default: Yes stores, No leaves it stored as
// it was, Cancel goes back to the first field.
TEST_F(PatientWindows, ClosingAChangedPatientAsksWhetherToSaveIt) {
  enum class Closing { CancelButton, Escape, CloseBox };
  struct Case {
    Closing closing;
    int answer;
    const char* stored;
  } cases[] = {
      {Closing::CancelButton, rt::button::No, "Ana"},
      {Closing::CancelButton, rt::button::Yes, "Ana Maria"},
      {Closing::CancelButton, rt::button::Cancel, "Ana"},
      {Closing::Escape, rt::button::Yes, "Ana Maria"},
      {Closing::Escape, rt::button::No, "Ana"},
      {Closing::Escape, rt::button::Cancel, "Ana"},
      {Closing::CloseBox, rt::button::Yes, "Ana Maria"},
      {Closing::CloseBox, rt::button::No, "Ana"},
      {Closing::CloseBox, rt::button::Cancel, "Ana"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.closing) * 10 + c.answer);
    const int code = addPatient("Ana");
    ScriptedMessages answers({c.answer});
    bool stayedOpen = false;
    const int answer =
        runForm(core::request::Change,
                {[&](PatientForm& f) {
                   f.control<QLineEdit>("?PAC:NOMBRE")->setText("Ana Maria");
                   f.control("?PAC:TELEFONO")->setFocus();
                 },
                 [&](PatientForm& f) {
                   QWidget* phone = f.control("?PAC:TELEFONO");
                   switch (c.closing) {
                     case Closing::CancelButton:
                       click(f, "?CANCEL");
                       break;
                     case Closing::Escape:
                       QTest::keyClick(phone, Qt::Key_Escape);
                       break;
                     case Closing::CloseBox:
                       f.window()->close();
                       break;
                   }
                 },
                 [](PatientForm&) {},  // the close request the button or the key posted
                 [&](PatientForm& f) {
                   // Yes goes on through the form's own OK, which stores and closes.
                   if (c.answer == rt::button::Yes) return;
                   stayedOpen = f.isOpen();
                   EXPECT_EQ(f.window()->focusWidget(), f.control("?PAC:NOMBRE"));
                   f.control<QLineEdit>("?PAC:NOMBRE")->setText("Ana");
                   click(f, "?CANCEL");  // nothing changed now: closes without a question
                 }},
                code);
    EXPECT_EQ(stayedOpen, c.answer == rt::button::Cancel);
    EXPECT_EQ(answer, c.answer == rt::button::Yes ? rt::kCompleted : rt::kCancelled);
    ASSERT_EQ(answers.asked().size(), 1u);
    const rt::MessageRequest& asked = answers.asked()[0];
    EXPECT_EQ(asked.caption, "Guardar Registro");
    EXPECT_EQ(asked.text, "¿ Desea guardar los cambios?"_cp);
    EXPECT_EQ(asked.buttons, rt::button::Yes | rt::button::No | rt::button::Cancel);
    EXPECT_EQ(asked.defaultButton, rt::button::Cancel);
    EXPECT_EQ(storedName(code), c.stored);
  }
}

TEST_F(PatientWindows, ViewModeOpensNothingAndOkCloses) {
  const int code = addPatient("Ana");
  addVisit(code, kToday, "Control");
  int calls = 0;
  for (const char* p : {"FormularioConsultas", "ExaminarCoberturas"}) {
    rt::registerProcedure(p, [&](const rt::ProcedureArgs&) {
      ++calls;
      return rt::kCompleted;
    });
  }
  const int answer = runForm(core::request::View,
                             {[](PatientForm& f) {
                                EXPECT_FALSE(f.control("?INSERT")->isEnabled());
                                f.post(rt::event::Accepted, f.control("?LOOKUPCOBERTURA"));
                                f.post(rt::event::Accepted, f.history()->list());
                              },
                              [](PatientForm& f) { click(f, "?OK"); }},
                             code);
  EXPECT_EQ(answer, rt::kCancelled);
  EXPECT_EQ(calls, 0);
}

TEST_F(PatientWindows, NumberingPastTheCodeRangeIsRefusedAndStoresNoCodeZero) {
  core::Pacientes::table().clear();
  core::PAC().Cod_Paciente = 65535;
  core::PAC().Nombre = "Ultimo";
  ASSERT_EQ(core::Pacientes::table().add(), 0);
  ScriptedMessages messages({rt::button::No});
  const int answer = runForm(core::request::Insert, {});
  EXPECT_EQ(answer, rt::kCancelled);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_NE(messages.asked()[0].text.find("numerar"), std::string::npos);
  EXPECT_EQ(core::Pacientes::table().records(), 1);
  EXPECT_EQ(storedName(0), "<none>");
}

TEST_F(PatientWindows, ACalendarClosedWithoutAPickKeepsTheBirthDateAndTheAge) {
  const int code = addPatient("Ana", d(10, 12, 1980));
  rt::testing::WindowScript calendar;
  calendar.on("Calendario", [](rt::WindowDriver& w) { w.post(rt::event::CloseWindow); });
  runForm(core::request::Change,
          {[](PatientForm& f) {
             EXPECT_EQ(text(f, "?LOC:EDADSTR"), rt::toQString("46 Años"_cp));
             click(f, "?CALENDARIO");
           },
           [](PatientForm& f) {
             EXPECT_EQ(text(f, "?PAC:FECHA_NACIM"), "10/12/1980");
             EXPECT_EQ(text(f, "?LOC:EDADSTR"), rt::toQString("46 Años"_cp));
             click(f, "?OK");
           }},
          code);
  core::PAC().Cod_Paciente = static_cast<std::uint16_t>(code);
  ASSERT_EQ(core::Pacientes::table().fetch(core::Pacientes::PAS_001), 0);
  EXPECT_EQ(core::PAC().Fecha_Nacim, d(10, 12, 1980));
}

TEST_F(PatientWindows, SearchMessagesAndTheLookupClose) {
  addPatient("Ana");
  ScriptedMessages messages;
  int response = 0;
  ASSERT_TRUE(runOnThread([&] {
    Probed<PatientList> list;
    list.probe([](PatientList& l) {
      l.search()->TakeKey(Qt::Key_F3);  // no condition yet
      click(l, "?CLOSE");
    });
    rt::ThreadRequest() = core::request::Select;
    response = list.Run();
  }));
  EXPECT_EQ(response, rt::kCancelled) << "a lookup closed without a choice";
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "No search criteria specified.");
  EXPECT_EQ(messages.asked()[0].caption, "Error");
}

TEST_F(PatientWindows, ListFiltersActivePatientsAndMarksThoseBornToday) {
  addPatient("Activa hoy", kToday);
  addPatient("Cumple hoy", d(10, 12, 1990));
  addPatient("Inactiva", 0, 1);
  std::vector<rt::ProcedureArgs> reports;
  rt::registerProcedure("ReportePacientes", [&](const rt::ProcedureArgs& args) {
    reports.push_back(args);
    return 0;
  });
  runList({[](PatientList& l) {
             EXPECT_EQ(l.browser().RecordsInView(), 2);
             QAbstractItemModel* m = l.browser().list()->model();
             EXPECT_EQ(m->data(m->index(0, 0)).toString(), "Activa hoy");
             EXPECT_EQ(m->data(m->index(0, 0), Qt::BackgroundRole).value<QColor>(),
                       QColor(Qt::yellow));
             EXPECT_FALSE(m->data(m->index(1, 0), Qt::BackgroundRole).isValid());
             EXPECT_FALSE(m->data(m->index(0, 1), Qt::BackgroundRole).isValid());
             // Text columns read from the left, the e-mail address too.
             const int mail = m->columnCount() - 1;
             ASSERT_EQ(m->headerData(mail, Qt::Horizontal).toString(), "E-Mail");
             EXPECT_EQ(m->data(m->index(0, mail), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                           Qt::AlignHorizontal_Mask,
                       Qt::AlignLeft);
             l.post(PatientList::kListingPatients);
           },
           [](PatientList& l) { click(l, "?LOC:SOLOACTIVOS"); },
           [](PatientList& l) {
             EXPECT_EQ(l.browser().RecordsInView(), 3);
             click(l, "?LOC:SOLOACTIVOS");
           },
           [](PatientList& l) {
             EXPECT_EQ(l.browser().RecordsInView(), 2);
             // The box unticked on the screen, its change not yet taken.
             l.control<QCheckBox>("?LOC:SOLOACTIVOS")->setChecked(false);
             l.post(PatientList::kListingPatients);
           },
           [](PatientList& l) {
             EXPECT_EQ(l.browser().RecordsInView(), 3) << "refreshed after the listing";
             // The locator takes the 20 characters of its entry.
             l.browser().LocateTo("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
             EXPECT_EQ(l.control<QLineEdit>("?PAC:NOMBRE")->text(), "ABCDEFGHIJKLMNOPQRST");
             click(l, "?CLOSE");
           }});
  rt::testing::waitUntil([&] { return reports.size() == 2; }, "the listings");
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].at(0).find("PAC:Inactivo = 0"), std::string::npos);
  EXPECT_EQ(reports[1].at(0).find("PAC:Inactivo = 0"), std::string::npos)
      << "the box as the screen showed it: " << reports[1].at(0);
}

TEST_F(PatientWindows, ExportIsDisabledWhileTheListIsEmpty) {
  addPatient("Inactiva", 0, 1);
  runList({[](PatientList& l) {
             EXPECT_EQ(l.browser().RecordsInView(), 0);
             EXPECT_FALSE(l.control("?EXPORT")->isEnabled());
             click(l, "?LOC:SOLOACTIVOS");
           },
           [](PatientList& l) {
             EXPECT_TRUE(l.control("?EXPORT")->isEnabled());
             click(l, "?CLOSE");
           }});
}

TEST_F(PatientWindows, TheListHandsOverEveryFilteredRowWithItsColumns) {
  addCoverage(3, "OSDE 210");
  for (int i = 0; i < 260; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Paciente %03d", i);
    addPatient(name, d(1, 1, 1980), i % 10 == 9 ? 1 : 0, 3);
  }
  const std::filesystem::path before = std::filesystem::current_path();
  int loaded = 0;
  runList({[&loaded](PatientList& l) {
             loaded = l.browser().RecordsInView();
             EXPECT_LT(loaded, 234);
             // The user widens "Dirección" (the fourth column).
             l.browser().list()->setColumnWidth(3, 300);
             click(l, "?EXPORT");
           },
           [&loaded](PatientList& l) {
             // The export reads the view a batch at a time: the list never
             // holds every row, before or after.
             EXPECT_EQ(l.browser().RecordsInView(), loaded);
             click(l, "?CLOSE");
           }});
  ASSERT_EQ(handed_.size(), 1u);
  const Handed& h = handed_[0];
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_EQ(h.folder, before.string());
  EXPECT_EQ(h.procedure, "ExaminarPacientes8");
  EXPECT_EQ(h.app, "varneta");
  EXPECT_EQ(h.mode, 1);
  EXPECT_EQ(h.title, "Archivo de Pacientes:");
  ASSERT_EQ(h.parameters.size(), 29u);
  EXPECT_EQ(h.parameters[0], "1,6,11,16,17,18,19,20,21,22,23,");
  EXPECT_EQ(h.parameters[3], (before / "Exportados").string());
  EXPECT_EQ(h.parameters[5], "");
  EXPECT_EQ(h.parameters[7], "HTML|EXCEL|WORD|ASCII|XML|PRT|");
  EXPECT_EQ(h.parameters[9], " 0");
  EXPECT_EQ(h.parameters[21], "0");
  EXPECT_EQ(h.parameters[23], "1");
  for (int r = 24; r < 29; ++r) EXPECT_EQ(h.parameters[r], "");
  ASSERT_EQ(h.columns.size(), 11u);
  EXPECT_EQ(h.columns[0].name, "Nombre");
  EXPECT_EQ(h.columns[0].width, 48);  // 96 dialog units, halved
  EXPECT_EQ(h.columns[6].name, "ECNOEXPORT");
  EXPECT_EQ(h.columns[6].width, 0) << "a hidden column";
  EXPECT_GT(h.columns[3].width, 87 / 2) << "a widened column gives its new width";
  ASSERT_EQ(h.rows.size(), 234u);
  EXPECT_EQ(h.rows[0][0], "Paciente 000");
  EXPECT_EQ(h.rows[0][5], "DNI");
  EXPECT_EQ(h.rows[0][20], std::to_string(d(1, 1, 1980)));
  EXPECT_EQ(h.rows[0][21], "OSDE 210");
  EXPECT_EQ(h.rows[233][0], "Paciente 258");
}

TEST_F(PatientWindows, TheHistoryHandsOverItsSixColumnsWithTheNotesAsText) {
  const int code = addPatient("Ana");
  addVisit(code, d(2, 1, 2026), "Control", "{\\rtf1\\ansi Tos {\\b seca}\\par}");
  addVisit(code, d(1, 1, 2026), "Gripe");
  runForm(core::request::Change,
          {[](PatientForm& f) {
             QAbstractItemModel* m = f.history()->list()->model();
             EXPECT_EQ(m->data(m->index(0, 1)).toString(), "Gripe");  // by date
             EXPECT_TRUE(f.history()->list()->isColumnHidden(4));
             showHistory(f);
             click(f, "?EXPORT");
           },
           [](PatientForm& f) { click(f, "?CANCEL"); }},
          code);
  ASSERT_EQ(handed_.size(), 1u);
  const Handed& h = handed_[0];
  EXPECT_EQ(h.procedure, "FormularioPacientes16");
  EXPECT_EQ(h.mode, 0);
  EXPECT_EQ(h.parameters[0], "1,2,3,8,9,10,");
  ASSERT_EQ(h.columns.size(), 6u);
  EXPECT_EQ(h.columns[4].width, 0);
  ASSERT_EQ(h.rows.size(), 2u);
  EXPECT_EQ(h.rows[1][1], "Control");
  EXPECT_EQ(h.rows[1][8], "Tos seca");
}

}  // namespace
}  // namespace practice
