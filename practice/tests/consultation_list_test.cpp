// The consultation list: today's consultations at opening, the three
// filters and the controls they enable, the calendar closed without a pick,
// the filter the listing receives, a consultation whose patient is gone, the
// coloured type, the search on Ctrl+F and the export's hand-over.
#include "practice/consultation_list.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/shapes/export_handover.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_registration.h"
#include "core/testing/practice_folder.h"
#include "core/testing/probed_window.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/fixed_clock.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/name_chooser.h"

namespace practice {
namespace {

using core::testing::Probed;
using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;

const rt::Date kToday = rt::makeDate(12, 10, 2026);
constexpr std::int32_t kRed = 0x0000FF;  // blue-green-red

class ConsultationListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("consultation-list", folder_,
                                                             core::testing::Tables::AllOpen));
    core::registerTableManagers();
    core::installThreadRoutines();
    clock_.emplace(kToday, rt::makeTime(10, 0));
    rt::registerProcedure("ReporteConsultas", [this](const rt::ProcedureArgs& args) {
      listings_.push_back(args);
      return rt::kCompleted;
    });

    core::Coberturas_Medicas::table().clear();
    core::COB().Cod_Cobertura = 4;
    core::COB().Descripcion = "OSDE 210";
    ASSERT_EQ(core::Coberturas_Medicas::table().add(), 0);
    core::TiposConsultas::table().clear();
    core::TIC().Cod_TipoConsulta = 2;
    core::TIC().Descripcion = "Urgencia";
    core::TIC().Color = kRed;
    ASSERT_EQ(core::TiposConsultas::table().add(), 0);
    for (auto [code, name] : {std::pair{3, "Dr. Pereyra"}, std::pair{5, "Dra. Alvarez"}}) {
      core::Medicos::table().clear();
      core::MDC().Cod_Medico = static_cast<std::uint16_t>(code);
      core::MDC().Nombre = name;
      ASSERT_EQ(core::Medicos::table().add(), 0);
    }
    addPatient(7, "Lopez, Ana");
    addPatient(8, "Gomez, Luis");
    addPatient(9, "Zapata, Eva");
    // Today: three consultations (one of a patient since deleted); before
    // and after: one each.
    addVisit(7, kToday, "Control", 3);
    addVisit(8, kToday, "Dolor de cabeza", 5);
    addVisit(99, kToday, "Sin paciente", 3);
    addVisit(7, kToday - 10, "Gripe", 5);
    addVisit(9, kToday + 2, "Turno futuro", 3);
  }
  void TearDown() override {
    for (const char* p : {"ReporteConsultas", core::kExportWindow}) rt::unregisterProcedure(p);
    core::closeAllTables();
    rt::closeDatabase();
  }

  static void addPatient(int code, const char* name) {
    core::Pacientes::table().clear();
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(code);
    core::PAC().Nombre = name;
    core::PAC().Telefono = "4555-" + std::to_string(1000 + code);
    core::PAC().Cod_Cobertura = 4;
    core::PAC().NroCarnetObraSocial = "C-" + std::to_string(code);
    ASSERT_EQ(core::Pacientes::table().add(), 0);
  }
  static void addVisit(int patient, rt::Date day, const char* reason, int physician) {
    core::Consultas::table().clear();
    core::CON().Cod_Paciente = static_cast<std::uint16_t>(patient);
    core::CON().Cod_Medico = static_cast<std::uint16_t>(physician);
    core::CON().Fecha = day;
    core::CON().Motivo = reason;
    core::CON().Cod_TipoConsulta = 2;
    ASSERT_EQ(core::Consultas::table().addNumbered(), 0);
  }

  void runList(const std::vector<std::function<void(ConsultationList&)>>& steps) {
    EXPECT_TRUE(runOnThread([&] {
      Probed<ConsultationList> list;
      for (const auto& step : steps) list.probe(step);
      list.Run();
    }));
  }

  std::filesystem::path folder_;
  std::optional<rt::testing::FixedClock> clock_;
  std::vector<rt::ProcedureArgs> listings_;
};

// The reasons the list shows, top to bottom.
std::vector<std::string> reasons(ConsultationList& l) {
  std::vector<std::string> shown;
  QAbstractItemModel* m = l.browser().list()->model();
  for (int r = 0; r < m->rowCount(); ++r) {
    shown.push_back(rt::fromQString(m->data(m->index(r, 4)).toString()));
  }
  return shown;
}

using Reasons = std::vector<std::string>;

// Saves the window into $VARNETA_KEEP_REPORT_SHOTS, when set, to be looked at.
void keepShot(rt::WindowDriver& w, const char* name) {
  if (const char* keep = std::getenv("VARNETA_KEEP_REPORT_SHOTS")) {
    w.window()->grab().save(QString::fromStdString((std::filesystem::path(keep) / name).string()));
  }
}

TEST_F(ConsultationListTest, OpensOnTodayWithBothCombosDisabledAndTheTypeInItsColour) {
  runList({[](ConsultationList& l) {
    EXPECT_EQ(l.window()->windowTitle(), "Examinando el archivo de  Consultas");
    EXPECT_EQ(reasons(l), (Reasons{"Control", "Dolor de cabeza", "Sin paciente"}));
    EXPECT_FALSE(l.control("?PAC:Nombre")->isEnabled());
    EXPECT_FALSE(l.control("?MDC:Nombre")->isEnabled());
    EXPECT_TRUE(l.control("?FechaDesde")->isEnabled());
    EXPECT_EQ(l.browser().filterText(), "(CON:Fecha >= " + std::to_string(kToday) +
                                            " AND CON:Fecha <= " + std::to_string(kToday) + ")");
    QAbstractItemModel* m = l.browser().list()->model();
    EXPECT_EQ(m->data(m->index(0, 1)).toString(), "Lopez, Ana");
    EXPECT_EQ(m->data(m->index(0, 2)).toString(), "Dr. Pereyra");
    EXPECT_EQ(m->data(m->index(0, 6)).toString(), "OSDE 210");
    EXPECT_EQ(m->data(m->index(0, 7)).toString(), "C-7");
    // The type's colour on white; the other cells keep the list's.
    EXPECT_EQ(m->data(m->index(0, 5)).toString(), "Urgencia");
    EXPECT_EQ(m->data(m->index(0, 5), Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(m->data(m->index(0, 5), Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_FALSE(m->data(m->index(0, 4), Qt::BackgroundRole).isValid());
    EXPECT_TRUE(l.browser().list()->isColumnHidden(8)) << "the colour number";
    keepShot(l, "consultation-list.png");
    // A consultation whose patient is gone still shows, its patient blank.
    EXPECT_EQ(m->data(m->index(2, 1)).toString(), "");
    EXPECT_EQ(m->data(m->index(2, 6)).toString(), "");
    EXPECT_EQ(m->data(m->index(2, 2)).toString(), "Dr. Pereyra");
    click(l, "?CLOSE");
  }});
}

TEST_F(ConsultationListTest, TheBoxesNarrowTheListAndEnableTheirControls) {
  runList({[](ConsultationList& l) { click(l, "?TodasLasCitas"); },
           [](ConsultationList& l) {
             EXPECT_EQ(reasons(l), (Reasons{"Gripe", "Control", "Dolor de cabeza", "Sin paciente",
                                            "Turno futuro"}));
             for (const char* c : {"?FechaDesde", "?FechaHasta", "?Calendar", "?Calendar:2"}) {
               EXPECT_FALSE(l.control(c)->isEnabled()) << c;
             }
             // The patient box cleared without a choice: patient 0, nothing.
             click(l, "?TodosLosPacientes");
           },
           [](ConsultationList& l) {
             EXPECT_TRUE(l.control("?PAC:Nombre")->isEnabled());
             EXPECT_TRUE(reasons(l).empty());
             EXPECT_EQ(l.CodPaciente, 0);
             // Choosing Lopez from the drop list (the second by name).
             auto* patients = l.control<QComboBox>("?PAC:Nombre");
             ASSERT_EQ(patients->count(), 3);
             EXPECT_EQ(patients->itemText(0), "Gomez, Luis");
             patients->setCurrentIndex(1);
             l.post(rt::event::Accepted, patients);
           },
           [](ConsultationList& l) {
             EXPECT_EQ(l.CodPaciente, 7);
             EXPECT_EQ(reasons(l), (Reasons{"Gripe", "Control"}));
             // And one physician of hers.
             click(l, "?TodosLosMedicos");
             auto* physicians = l.control<QComboBox>("?MDC:Nombre");
             ASSERT_EQ(physicians->itemText(1), "Dra. Alvarez");  // "Dr." sorts first
             physicians->setCurrentIndex(1);
             l.post(rt::event::Accepted, physicians);
           },
           [](ConsultationList& l) {
             EXPECT_EQ(l.CodMedico, 5);
             EXPECT_EQ(reasons(l), (Reasons{"Gripe"}));
             // Clearing "Todas las Citas" brings back the range in the entries.
             click(l, "?TodasLasCitas");
             click(l, "?TodosLosPacientes");
             click(l, "?TodosLosMedicos");
           },
           [](ConsultationList& l) {
             EXPECT_FALSE(l.control("?PAC:Nombre")->isEnabled());
             EXPECT_TRUE(l.control("?Calendar")->isEnabled());
             EXPECT_EQ(reasons(l), (Reasons{"Control", "Dolor de cabeza", "Sin paciente"}));
             // A start after the end shows nothing.
             auto* from = l.control<QLineEdit>("?FechaDesde");
             from->setText("11/12/2026");
             l.post(rt::event::Accepted, from);
           },
           [](ConsultationList& l) {
             EXPECT_EQ(l.FechaDesde, kToday + 1);
             EXPECT_TRUE(reasons(l).empty());
             click(l, "?CLOSE");
           }});
}

TEST_F(ConsultationListTest, TypingANameCompletesItAndLoadsFromThere) {
  runList({[](ConsultationList& l) { click(l, "?TodosLosPacientes"); },
           [](ConsultationList& l) {
             auto* patients = l.control<QComboBox>("?PAC:Nombre");
             patients->setFocus();
             patients->lineEdit()->clear();
             QTest::keyClicks(patients->lineEdit(), "lo");
           },
           [](ConsultationList& l) {
             auto* patients = l.control<QComboBox>("?PAC:Nombre");
             EXPECT_EQ(patients->currentText(), "Lopez, Ana");
             EXPECT_EQ(l.patients().loaded(), 2) << "from Lopez on";
             // The entry left with the completed name chooses it.
             emit patients->lineEdit()->editingFinished();
           },
           [](ConsultationList& l) {
             EXPECT_EQ(l.CodPaciente, 7);
             EXPECT_EQ(reasons(l), (Reasons{"Control"}));
             click(l, "?CLOSE");
           }});
}

TEST_F(ConsultationListTest, TheListingReceivesTheListsFilter) {
  rt::testing::WindowScript calendar;
  calendar.on("Fecha Inicial", [](rt::WindowDriver& w) { w.window()->close(); });
  runList({[](ConsultationList& l) {
             click(l, "?Imprimir");  // today's range
             click(l, "?TodosLosPacientes");
           },
           [](ConsultationList& l) {
             auto* patients = l.control<QComboBox>("?PAC:Nombre");
             patients->setCurrentIndex(1);
             l.post(rt::event::Accepted, patients);
           },
           [](ConsultationList& l) {
             click(l, "?Imprimir");
             // Every box ticked and no query: no filter at all.
             click(l, "?TodosLosPacientes");
             click(l, "?TodasLasCitas");
           },
           [](ConsultationList& l) {
             click(l, "?Imprimir");
             click(l, "?TodasLasCitas");
           },
           // The calendar closed without a pick: the range stays today's.
           [](ConsultationList& l) { click(l, "?Calendar"); },
           [](ConsultationList& l) {
             EXPECT_EQ(l.FechaDesde, kToday);
             EXPECT_EQ(l.control<QLineEdit>("?FechaDesde")->text(), "10/12/2026");
             EXPECT_EQ(reasons(l), (Reasons{"Control", "Dolor de cabeza", "Sin paciente"}));
             click(l, "?Imprimir");
             click(l, "?CLOSE");
           }});
  EXPECT_EQ(calendar.pending(), 0);
  rt::testing::waitUntil([&] { return listings_.size() == 4; }, "the four listings");
  ASSERT_EQ(listings_.size(), 4u);
  const std::string today = std::to_string(kToday);
  EXPECT_EQ(listings_[0].at(0), "(CON:Fecha >= " + today + " AND CON:Fecha <= " + today + ")");
  EXPECT_EQ(listings_[0].at(1), "+CON:Fecha");
  EXPECT_NE(listings_[1].at(0).find("CON:Cod_Paciente = 7"), std::string::npos) << listings_[1][0];
  EXPECT_EQ(listings_[2].at(0), "");
  EXPECT_EQ(listings_[3].at(0), listings_[0].at(0));
}

TEST_F(ConsultationListTest, CtrlFSearchesAndTheExportHandsOverItsColumns) {
  struct Handed {
    std::string procedure, title, fields;
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> moreThan;
  } handed;
  rt::registerProcedure(core::kExportWindow, [&](const rt::ProcedureArgs&) {
    const core::ExportHandOver* h = core::currentExportHandOver();
    handed.procedure = h->group->procedure;
    handed.title = h->title;
    handed.fields = h->parameters.at(0);
    for (const core::ExportColumn& c : h->columns) handed.names.push_back(c.name);
    // Counted by walking the list's view (the table holds more records),
    // and read from its first row afterwards.
    handed.moreThan = {h->rows->moreThan(2), h->rows->moreThan(3)};
    handed.rows = core::allExportRows(*h->rows, 13);
    return 0;
  });
  rt::testing::WindowScript search;
  search.on("Busqueda...", [](rt::WindowDriver& w) {
    w.control<QComboBox>("?SEARCHFIELDS")->setCurrentIndex(1);  // "Paciente"
    w.post(rt::event::Accepted, w.control("?SEARCHFIELDS"));
    w.control<QLineEdit>("?SEARCHVALUE")->setText("gomez");
    click(w, "?FIND");
  });
  ScriptedMessages messages;
  runList({[](ConsultationList& l) {
             // Ctrl+B is not this list's search key.
             QTest::keyClick(l.browser().list(), Qt::Key_B, Qt::ControlModifier);
             QTest::keyClick(l.browser().list(), Qt::Key_F, Qt::ControlModifier);
           },
           [](ConsultationList& l) {
             EXPECT_EQ(l.browser().list()->currentIndex().row(), 1);
             QTest::keyClick(l.browser().list(), Qt::Key_F3);  // no further match
           },
           [](ConsultationList& l) { click(l, "?EXPORT"); },
           [](ConsultationList& l) { click(l, "?CLOSE"); }});
  EXPECT_EQ(search.pending(), 0);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "No hay más ocurrencias."_cp);
  EXPECT_EQ(messages.asked()[0].caption, "Buscar");

  EXPECT_EQ(handed.procedure, "ExaminarConsultas8");
  EXPECT_EQ(handed.title, "Examinando el archivo de  Consultas");
  EXPECT_EQ(handed.fields, "1,2,3,4,5,6,11,12,13,");
  EXPECT_EQ(handed.names,
            (std::vector<std::string>{"Fecha", "Paciente", "Médico"_cp, "Teléfono"_cp, "Motivo",
                                      "Tipo de Consulta", "Cobertura", "Nro. Carnet", "Color"}));
  EXPECT_EQ(handed.moreThan, (std::vector<bool>{true, false}));
  ASSERT_EQ(handed.rows.size(), 3u);
  const std::vector<std::string>& first = handed.rows[0];
  EXPECT_EQ(first[0], std::to_string(kToday));
  EXPECT_EQ(first[1], "Lopez, Ana");
  EXPECT_EQ(first[5], "Urgencia");
  EXPECT_EQ(first[6], std::to_string(kRed)) << "the type's text colour";
  EXPECT_EQ(first[10], "OSDE 210");
  EXPECT_EQ(first[11], "C-7");
  EXPECT_EQ(first[12], std::to_string(kRed));
}

TEST_F(ConsultationListTest, TheButtonsCallTheConsultationFormWithTheirRequest) {
  std::vector<std::pair<std::string, int>> calls;
  rt::registerProcedure("FormularioConsultas", [&](const rt::ProcedureArgs& args) {
    calls.emplace_back(args.empty() ? std::string() : args[0], rt::ThreadRequest());
    rt::ThreadResponse() = rt::kCancelled;
    return rt::kCancelled;
  });
  for (int request : {0, core::request::View}) {
    calls.clear();
    EXPECT_TRUE(runOnThread([&] {
      Probed<ConsultationList> list;
      list.probe([](ConsultationList& l) {
        for (const char* b : {"?VIEW", "?INSERT", "?CHANGE", "?DELETE"}) {
          if (l.control(b)->isEnabled()) click(l, b);
        }
      });
      list.probe([](ConsultationList& l) { click(l, "?CLOSE"); });
      rt::ThreadRequest() = static_cast<std::uint8_t>(request);
      list.Run();
    }));
    if (request == 0) {
      EXPECT_EQ(calls, (std::vector<std::pair<std::string, int>>{{"0", core::request::View},
                                                                 {"0", core::request::Insert},
                                                                 {"0", core::request::Change},
                                                                 {"0", core::request::Delete}}));
    } else {
      EXPECT_TRUE(calls.empty()) << "a list opened to view opens no form";
    }
  }
  rt::unregisterProcedure("FormularioConsultas");
}

}  // namespace
}  // namespace practice
