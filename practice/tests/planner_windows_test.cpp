// The appointment planner and the appointment form on a real day: every
// booked appointment shows, the day is built again after each action, the
// actions' rules by row, the single planner, the export hand-over, and the
// form's states, order check and renumbering.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

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
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/base/testing/test_environment.h"
#include "platform/base/thread_timer.h"
#include "platform/data/database.h"
#include "platform/data/testing/other_workstation.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"
#include "practice/appointment_form.h"
#include "practice/planner_window.h"

namespace practice {
namespace {

using core::testing::Probed;
using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;

const rt::Date kToday = rt::makeDate(12, 10, 2026);
constexpr std::int32_t at(int hour, int minute) { return hour * 360000 + minute * 6000 + 1; }
constexpr std::int32_t minutes(int m) { return m * 6000 + 1; }
constexpr std::uint16_t kPhysician = 3;

struct Booking {
  std::uint32_t code;
  std::uint32_t number;
  const char* type = "TUR";
  std::uint32_t patient = 7;
  std::uint8_t order = 0;
};

class PlannerWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(
        core::testing::openFreshPractice("planner", folder_, core::testing::Tables::AllOpen));
    core::registerTableManagers();
    core::installThreadRoutines();
    core::BuildArchivoLog();
    registerPlannerProcedures();
    rt::setFixedClock(kToday, rt::makeTime(10, 0));
    DAT::RespetaOrdenTurnos = 1;
    GLO::ThreadTurnos = 0;
    GLO::DirectorioExportacion = folder_.string();

    core::Especialidades::table().clear();
    core::ESP().Cod_Especialidad = 2;
    core::ESP().Descripcion = "Clínica Médica"_cp;
    ASSERT_EQ(core::Especialidades::table().add(), 0);
    core::Medicos::table().clear();
    core::MDC().Cod_Medico = kPhysician;
    core::MDC().Nombre = "Dra. Ana Gomez";
    core::MDC().Cod_Especialidad = 2;
    ASSERT_EQ(core::Medicos::table().add(), 0);
    core::Planilla::table().clear();
    core::PLA().CodPlanilla = 7;
    core::PLA().Cod_Medico = kPhysician;
    core::PLA().FecVigenciaDesde = kToday - 100;
    core::PLA().FecVigenciaHasta = kToday + 100;
    core::PLA().DurConsulta = minutes(20);
    core::PLA().DurSobreturno = minutes(10);
    ASSERT_EQ(core::Planilla::table().add(), 0);
    core::PlanillaHorarios::table().clear();
    core::PLH().CodPlanilla = 7;
    core::PLH().DiaSemanaNro = static_cast<std::uint16_t>(kToday % 7 + 1);
    core::PLH().HrEntrada1 = at(8, 0);
    core::PLH().HrSalida1 = at(12, 0);
    core::PLH().HrEntrada2 = at(14, 0);
    core::PLH().HrSalida2 = at(18, 0);
    ASSERT_EQ(core::PlanillaHorarios::table().add(), 0);
    for (auto [code, name] : {std::pair{7, "Ana Lopez"}, std::pair{8, "Luis Perez"}}) {
      core::Pacientes::table().clear();
      core::PAC().Cod_Paciente = static_cast<std::uint16_t>(code);
      core::PAC().Nombre = name;
      core::PAC().Telefono = "4555-" + std::to_string(code);
      core::PAC().Cod_Cobertura = 0;
      ASSERT_EQ(core::Pacientes::table().add(), 0);
    }
  }
  void TearDown() override {
    for (const char* p : {core::kExportWindow, "FormularioConsultas"}) rt::unregisterProcedure(p);
    rt::clearFixedClock();
    core::closeAllTables();
    rt::closeDatabase();
  }

  static void book(const Booking& b) {
    core::Turnos::table().clear();
    core::TurnosBuffer& t = core::TUR();
    t.Cod_Turno = b.code;
    t.Cod_Medico = kPhysician;
    t.Fecha = kToday;
    t.Nro_Absoluto = b.number;
    t.Hora = at(8, 0) + static_cast<std::int32_t>(b.number / 1000 - 1) * minutes(20);
    t.Duracion = std::string(b.type) == "STU" ? minutes(10) : minutes(20);
    t.Tipo = b.type;
    t.Cod_Paciente = b.patient;
    t.Nombre = b.patient == 0 ? "Sin ficha" : b.patient == 7 ? "Ana Lopez" : "Luis Perez";
    t.Nro_Orden_Atencion = b.order;
    t.Confirmado = b.order != 0 ? 1 : 0;
    t.Motivo = "Motivo " + std::to_string(b.code);
    ASSERT_EQ(core::Turnos::table().add(), 0);
  }
  static void consult(std::uint32_t code, std::uint32_t appointment) {
    core::Consultas::table().clear();
    core::CON().Cod_Consulta = code;
    core::CON().Cod_Turno = appointment;
    core::CON().Cod_Paciente = 7;
    core::CON().Fecha = kToday;
    ASSERT_EQ(core::Consultas::table().add(), 0);
  }
  struct Stored {
    bool found = false;
    std::string type;
    std::uint32_t number = 0;
    int order = 0;
    int confirmed = 0;
    std::int32_t duration = 0;
    std::uint32_t patient = 0;
  };
  static Stored stored(std::uint32_t code) {
    Stored s;
    core::Turnos::table().clear();
    core::TUR().Cod_Turno = code;
    if (core::Turnos::table().fetch(core::Turnos::TUR01) != 0) return s;
    s.found = true;
    s.type = std::string(core::TUR().Tipo.clipped());
    s.number = core::TUR().Nro_Absoluto;
    s.order = core::TUR().Nro_Orden_Atencion;
    s.confirmed = core::TUR().Confirmado;
    s.duration = core::TUR().Duracion;
    s.patient = core::TUR().Cod_Paciente;
    return s;
  }
  static std::vector<std::uint32_t> appointmentCodes() {
    std::vector<std::uint32_t> codes;
    rt::Table& t = core::Turnos::table();
    t.clear();
    t.setToStart(core::Turnos::TUR01);
    while (t.next() == 0) codes.push_back(core::TUR().Cod_Turno);
    return codes;
  }
  static int rowOf(std::uint32_t number) {
    for (std::size_t i = 0; i < QTU().size(); ++i)
      if (QTU()[i].NRO_ABSOLUTO == number) return static_cast<int>(i);
    ADD_FAILURE() << "no row " << number;
    return -1;
  }

  // Runs the planner on the day with its steps.
  void runPlanner(const std::vector<std::function<void(PlannerWindow&)>>& steps) {
    ASSERT_TRUE(runOnThread(
        [&] {
          Probed<PlannerWindow> planner;
          planner.probe([](PlannerWindow& w) { w.choose(kPhysician, kToday); });
          for (const auto& step : steps) planner.probe(step);
          planner.probe([](PlannerWindow& w) { w.post(rt::event::CloseWindow); });
          planner.Run();
        },
        std::chrono::seconds(30)));
  }
  // Selects the row numbered `number` and presses a button.
  static std::function<void(PlannerWindow&)> press(std::uint32_t number, const char* button) {
    return [number, button](PlannerWindow& w) {
      w.selectRow(rowOf(number));
      click(w, button);
    };
  }

  std::filesystem::path folder_;
};

TEST_F(PlannerWindows, EveryBookedAppointmentShowsAndTheListFollowsTheQueue) {
  // Two workstations on one free slot, an over-booking, a walk-in, and an
  // appointment whose slot the sheet no longer has.
  for (const Booking& b :
       {Booking{1, 2000}, Booking{2, 5000}, Booking{3, 5000, "TUR", 8}, Booking{4, 2001, "STU", 8},
        Booking{5, 6000, "TUR", 0}, Booking{6, 99000}}) {
    book(b);
  }
  runPlanner({[](PlannerWindow& w) {
    std::set<std::uint32_t> shown;
    for (const DayRow& r : QTU())
      if (r.COD_TURNO != 0) shown.insert(r.COD_TURNO);
    EXPECT_EQ(shown, (std::set<std::uint32_t>{1, 2, 3, 4, 5, 6}));
    auto* list = w.control<QTableView>("?LIST");
    ASSERT_EQ(list->model()->rowCount(), static_cast<int>(QTU().size()));
    const int row = rowOf(2001);
    EXPECT_EQ(list->model()->index(row, 6).data().toString(), "Luis Perez");
    EXPECT_EQ(list->model()->index(row, 4).data().toString(), "STU");
    EXPECT_EQ(list->model()->index(row, 6).data(Qt::BackgroundRole).value<QColor>(),
              QColor(0xFF, 0xCC, 0xCC));
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "C  onfirmado");
    EXPECT_TRUE(list->isColumnHidden(0));
    EXPECT_TRUE(list->isColumnHidden(8));
    EXPECT_EQ(rt::fromQString(w.control<QLabel>("?LOC:DSCDIA")->text()), RecuperaDscDia(kToday));
  }});
}

// The row the buttons act on is drawn as chosen, whether the list has the
// focus or not; the attention order's seen mark stays on it.
TEST_F(PlannerWindows, TheChosenRowIsDrawnAsChosen) {
  book({1, 1000, "TUR", 7, 1});
  book({2, 2000, "TUR", 8, 0});
  consult(50, 1);
  runPlanner({[](PlannerWindow& w) {
    auto* list = w.control<QTableView>("?LIST");
    // The colour drawn in the middle of a cell, past its text.
    auto drawn = [list](std::uint32_t number, int column) {
      const QRect cell = list->visualRect(list->model()->index(rowOf(number), column));
      return list->viewport()->grab().toImage().pixelColor(cell.right() - 3, cell.center().y());
    };
    const int order = 3, name = 6;
    const QColor booked(0xCC, 0xCC, 0xFF), seen(0, 0xFF, 0);
    w.selectRow(rowOf(2000));
    ASSERT_EQ(drawn(1000, name), booked);
    for (bool focused : {true, false}) {
      SCOPED_TRACE(focused ? "the list focused" : "another control focused");
      (focused ? static_cast<QWidget*>(list) : w.control("?LOC:FECHATURNO"))->setFocus();
      w.selectRow(rowOf(1000));
      EXPECT_NE(drawn(1000, name), booked);
      EXPECT_EQ(drawn(1000, name), drawn(1000, 5)) << "the whole row";
      EXPECT_EQ(drawn(1000, order), seen);
      EXPECT_EQ(drawn(2000, name), booked);
    }
  }});
}

TEST_F(PlannerWindows, AddingByRow) {
  book({1, 2000});
  struct Case {
    const char* name;
    std::uint32_t row;
    bool opens;
    const char* type;
    std::uint32_t number;
    std::int32_t duration;
  } cases[] = {
      {"free slot", 3000, true, "TUR", 3000, minutes(20)},
      {"booked slot", 2000, true, "STU", 2001, minutes(10)},
      {"break", 13000, false, "", 0, 0},
      {"separator", 12999, false, "", 0, 0},
  };
  std::uint32_t next = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WindowScript script;
    int opened = 0;
    script.on("Formulario de Turnos", [&](rt::WindowDriver& f) {
      ++opened;
      auto& form = dynamic_cast<AppointmentForm&>(f);
      EXPECT_EQ(form.REQUEST, core::request::Insert);
      f.control<QLineEdit>("?TUR:MOTIVO")->setText("Nuevo");
      click(f, "?OK");
    });
    const std::size_t before = appointmentCodes().size();
    runPlanner({press(c.row, "?INSERT"), [&](PlannerWindow&) {
                  // The day was built again: the new appointment shows.
                  if (!c.opens) return;
                  const std::uint32_t code = appointmentCodes().back();
                  bool found = false;
                  for (const DayRow& r : QTU()) found |= r.COD_TURNO == code;
                  EXPECT_TRUE(found);
                }});
    EXPECT_EQ(opened, c.opens ? 1 : 0);
    if (!c.opens) {
      EXPECT_EQ(appointmentCodes().size(), before);
      continue;
    }
    ASSERT_EQ(appointmentCodes().size(), before + 1);
    const Stored s = stored(appointmentCodes().back());
    EXPECT_EQ(s.type, c.type);
    EXPECT_EQ(s.number, c.number);
    EXPECT_EQ(s.duration, c.duration);
    EXPECT_EQ(s.order, 0);
    ++next;
  }
}

TEST_F(PlannerWindows, DoubleClickBooksAFreeRowAndChangesABookedOne) {
  book({1, 2000});
  for (auto [number, request] :
       {std::pair{2000u, core::request::Change}, std::pair{4000u, core::request::Insert}}) {
    WindowScript script;
    int seen = 0;
    script.on("Formulario de Turnos", [&](rt::WindowDriver& f) {
      seen = dynamic_cast<AppointmentForm&>(f).REQUEST;
      click(f, "?CANCEL");
    });
    runPlanner({[number](PlannerWindow& w) {
      w.selectRow(rowOf(number));
      w.post(rt::event::Accepted, w.control("?LIST"));
    }});
    EXPECT_EQ(seen, request) << number;
  }
}

TEST_F(PlannerWindows, EditingTheConsultationFollowsTheAttentionOrder) {
  book({1, 1000, "TUR", 7, 1});
  book({2, 2000, "TUR", 8, 2});
  book({3, 3000, "TUR", 8, 4});
  book({4, 4000, "TUR", 0, 0});  // a walk-in
  consult(50, 1);                // the first one is seen: the next is 2
  struct Call {
    int request;
    std::uint32_t appointment;
    std::uint32_t consultation;
  };
  std::vector<Call> calls;
  rt::registerProcedure("FormularioConsultas", [&](const rt::ProcedureArgs& args) {
    EXPECT_EQ(args, (rt::ProcedureArgs{"1"}));
    calls.push_back({rt::ThreadRequest(), core::TUR().Cod_Turno, core::CON().Cod_Consulta});
    return rt::kCancelled;
  });
  struct Case {
    const char* name;
    int respect;
    std::uint32_t row;
    std::vector<int> requests;
    const char* message;  // the caption of the message that says why not; null for none
  } cases[] = {
      {"the next one", 1, 2000, {core::request::Insert}, nullptr},
      {"already seen", 1, 1000, {core::request::Change}, nullptr},
      {"a later one waits, and is told why", 1, 3000, {}, "Orden de Atención"_cp},
      {"a later one when the order is not kept", 0, 3000, {core::request::Insert}, nullptr},
      {"without a patient", 1, 4000, {}, "No se definió el Paciente"_cp},
      {"a free slot", 1, 5000, {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    calls.clear();
    DAT::RespetaOrdenTurnos = static_cast<std::uint8_t>(c.respect);
    ScriptedMessages messages;
    runPlanner({press(c.row, "?EDITARCONSULTA")});
    std::vector<int> requests;
    for (const Call& call : calls) requests.push_back(call.request);
    EXPECT_EQ(requests, c.requests);
    ASSERT_EQ(messages.asked().size(), c.message != nullptr ? 1u : 0u);
    if (c.message != nullptr) {
      EXPECT_EQ(messages.asked()[0].caption, std::string(c.message));
    }
  }
}

TEST_F(PlannerWindows, ConfirmingGivesTheNextStoredOrderOnce) {
  book({1, 1000, "TUR", 7, 1});
  book({2, 2000});
  book({3, 3000});
  int forms = 0;
  WindowScript script;
  for (int i = 0; i < 3; ++i) {
    script.on("Formulario de Turnos", [&](rt::WindowDriver& f) {
      ++forms;
      EXPECT_EQ(dynamic_cast<AppointmentForm&>(f).REQUEST, core::request::Change);
      click(f, "?CANCEL");
    });
  }
  runPlanner({press(2000, "?CONFIRMAR"),
              // Confirmed now: a second press does nothing.
              press(2000, "?CONFIRMAR"),
              // Another workstation gave order 5 meanwhile: the next is 6,
              // whatever this day last showed.
              [this](PlannerWindow& w) {
                rt::resetTableStatements();  // this workstation idles meanwhile
                {
                  rt::testing::OtherWorkstation other(folder_ / "Varneta.dat");
                  EXPECT_TRUE(other.change("Turnos", "Nro_Orden_Atencion = 5", "Cod_Turno = 1"))
                      << other.error();
                }
                w.selectRow(rowOf(3000));
                click(w, "?CONFIRMAR");
              }});
  EXPECT_EQ(forms, 2);
  EXPECT_EQ(stored(2).order, 2);
  EXPECT_EQ(stored(2).confirmed, 1);
  EXPECT_EQ(stored(3).order, 6);
}

TEST_F(PlannerWindows, AFailedConfirmationShowsTheMessageAndOpensNoForm) {
  book({2, 2000});
  {
    rt::testing::OtherWorkstation other(folder_ / "Varneta.dat");
    ASSERT_TRUE(other.refuse("UPDATE", "Turnos")) << other.error();
  }
  WindowScript script;
  script.on("Formulario de Turnos", [](rt::WindowDriver& f) {
    ADD_FAILURE() << "no form after a failed write";
    click(f, "?CANCEL");
  });
  ScriptedMessages messages({rt::button::Cancel});
  runPlanner({press(2000, "?CONFIRMAR")});
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Registro no fue Actualizado");
  EXPECT_EQ(stored(2).order, 0);
  EXPECT_EQ(script.pending(), 1);
}

TEST_F(PlannerWindows, DeletingAsksAndRespectsConsultations) {
  book({1, 1000});
  book({2, 2000});
  book({3, 3000});
  consult(60, 3);
  {
    ScriptedMessages no({rt::button::No});
    runPlanner({press(1000, "?DELETE")});
    ASSERT_EQ(no.asked().size(), 1u);
    EXPECT_EQ(no.asked()[0].caption, "Borrado de Turno");
    EXPECT_EQ(no.asked()[0].defaultButton, rt::button::No);
    EXPECT_TRUE(stored(1).found);
  }
  {
    ScriptedMessages yes({rt::button::Yes});
    runPlanner({press(1000, "?DELETE"), [](PlannerWindow&) {
                  for (const DayRow& r : QTU()) EXPECT_NE(r.COD_TURNO, 1u);  // rebuilt
                }});
    EXPECT_FALSE(stored(1).found);
  }
  {
    ScriptedMessages refused;
    runPlanner({press(3000, "?DELETE")});
    ASSERT_EQ(refused.asked().size(), 1u);
    EXPECT_EQ(refused.asked()[0].caption, "El Turno tiene asignada una Consulta");
    EXPECT_TRUE(stored(3).found);
  }
  {
    // A consultation recorded elsewhere after the day was built: the
    // relations refuse the delete, nothing is orphaned.
    ScriptedMessages answers({rt::button::Yes});
    runPlanner({[](PlannerWindow&) { consult(61, 2); }, press(2000, "?DELETE")});
    ASSERT_GE(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].caption, "Borrado de Turno");
    EXPECT_TRUE(stored(2).found);
  }
}

TEST_F(PlannerWindows, ExportsTheWholeDay) {
  book({1, 2000});
  book({2, 2001, "STU", 8});
  std::size_t rows = 0;
  std::vector<core::ExportColumn> columns;
  std::string title, procedure, fields, secondRow;
  rt::registerProcedure(core::kExportWindow, [&](const rt::ProcedureArgs&) {
    const core::ExportHandOver* h = core::currentExportHandOver();
    const std::vector<std::vector<std::string>> all = core::allExportRows(*h->rows, 39);
    rows = all.size();
    columns = h->columns;
    title = h->title;
    procedure = h->group->procedure;
    fields = h->parameters[0];
    for (int n : {1, 3, 8, 13, 18, 23, 28, 33, 38, 39}) secondRow += all.at(2).at(n - 1) + "|";
    EXPECT_EQ(h->mode, 0);
    return rt::kCompleted;
  });
  std::size_t queued = 0;
  runPlanner({[&](PlannerWindow& w) {
    queued = QTU().size();
    w.selectRow(0);
    click(w, "?EXPORTAR");
  }});
  EXPECT_EQ(rows, queued);
  EXPECT_EQ(fields, "1,3,8,13,18,23,28,33,38,39,");
  EXPECT_EQ(procedure, "ExaminarTurnos3");
  EXPECT_EQ(title, "Planilla de turnos - Dra. Ana Gomez - 10/12/2026");
  ASSERT_EQ(columns.size(), 10u);
  EXPECT_EQ(columns[0].name, "C  onfirmado");
  EXPECT_EQ(columns[0].width, 0);
  EXPECT_EQ(columns[1].name, "Hora");
  EXPECT_EQ(columns[1].picture, "@T1");
  EXPECT_GT(columns[1].width, 0);
  EXPECT_EQ(columns[9].picture, "@N$(13.2)");
  // The third row of the day in time order: the over-booking after 08:20.
  EXPECT_EQ(secondRow.substr(secondRow.find("STU")), "STU|Motivo 2|Luis Perez|4555-8|2001|0.00|");
}

TEST_F(PlannerWindows, OnlyOnePlannerIsOpen) {
  book({1, 2000});
  bool shown = false;
  QPointer<QWidget> open;
  const rt::ThreadNumber first = rt::start([&shown, &open] {
    Probed<PlannerWindow> planner;
    planner.probe([&shown, &open](PlannerWindow& w) {
      w.choose(kPhysician, kToday);
      open = w.window();
      shown = true;
    });
    planner.Run();
  });
  ASSERT_TRUE(rt::testing::waitUntil([&] { return shown; }, "the first planner's day"));
  EXPECT_EQ(GLO::ThreadTurnos, static_cast<std::int32_t>(first));
  const std::size_t rows = QTU().size();
  ASSERT_GT(rows, 0u);
  open->showMinimized();
  ScriptedMessages messages;
  ASSERT_TRUE(runOnThread([] { ExaminarTurnos(); }));
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Formulario ya está abierto"_cp);
  // The open planner is brought to the front, out of its minimised state.
  EXPECT_TRUE(rt::testing::waitUntil(
      [&] { return QApplication::activeWindow() == open && !open->isMinimized(); },
      "the open planner to be the active window"));
  // The open planner keeps its registration, its day and its sheet.
  EXPECT_EQ(GLO::ThreadTurnos, static_cast<std::int32_t>(first));
  EXPECT_EQ(QTU().size(), rows);
  EXPECT_EQ(GLO::CodPlanilla, 7u);
  rt::post(rt::event::CloseWindow, first);
  ASSERT_TRUE(rt::testing::waitUntil([] { return GLO::ThreadTurnos == 0; }, "the planner closed"));
  EXPECT_EQ(GLO::CodPlanilla, 0u);
}

TEST_F(PlannerWindows, TheListingPrintsTheDayWithoutRebuildingIt) {
  book({1, 2000});
  int calls = 0;
  rt::registerProcedure("ReporteTurnos", [&](const rt::ProcedureArgs&) {
    ++calls;
    EXPECT_EQ(GLO::CodMedicoTurno, kPhysician);
    EXPECT_EQ(GLO::FechaTurno, kToday);
    // The listing reorders the queue by slot number; the list follows.
    std::reverse(QTU().begin(), QTU().end());
    return rt::kCompleted;
  });
  runPlanner({[](PlannerWindow& w) { w.post(PlannerWindow::kReportEvent); },
              [](PlannerWindow& w) {
                auto* list = w.control<QTableView>("?LIST");
                EXPECT_EQ(list->model()->index(0, 8).data().toString().trimmed(),
                          rt::toQString(rt::format(static_cast<double>(QTU().front().NRO_ABSOLUTO),
                                                   "@P###-###P"))
                              .trimmed());
                EXPECT_GT(QTU().front().NRO_ABSOLUTO, QTU().back().NRO_ABSOLUTO);  // not rebuilt
              }});
  EXPECT_EQ(calls, 1);
  rt::unregisterProcedure("ReporteTurnos");
}

TEST_F(PlannerWindows, AnActionWithoutARowDoesNothing) {
  WindowScript script;
  script.on("Formulario de Turnos", [](rt::WindowDriver& f) {
    ADD_FAILURE() << "no form without a row";
    click(f, "?CANCEL");
  });
  ScriptedMessages messages;
  ASSERT_TRUE(runOnThread([] {
    Probed<PlannerWindow> planner;  // no physician chosen: an empty day
    planner.probe([](PlannerWindow& w) {
      EXPECT_TRUE(QTU().empty());
      EXPECT_FALSE(w.control("?EXPORTAR")->isEnabled());
      for (const char* button : {"?INSERT", "?CHANGE", "?DELETE", "?CONFIRMAR", "?EDITARCONSULTA"})
        click(w, button);
    });
    planner.probe([](PlannerWindow& w) { w.post(rt::event::CloseWindow); });
    planner.Run();
  }));
  EXPECT_TRUE(messages.asked().empty());
}

// A busy day: seen, next and later attention orders, over-bookings pushing
// the morning into the break, a meeting and another blocked time. With
// VARNETA_KEEP_SHOTS set the screen is saved there (run on a display).
TEST_F(PlannerWindows, ABusyDayShowsItsColoursAndThePushedBreak) {
  book({1, 1000, "TUR", 7, 1});
  book({2, 2000, "TUR", 8, 2});
  book({3, 2001, "STU", 7, 3});
  book({4, 2002, "STU", 8, 0});
  book({5, 4000, "REU", 0, 0});
  book({6, 5000, "OTR", 0, 0});
  book({7, 11000, "TUR", 8, 4});
  book({8, 12001, "STU", 7, 0});
  consult(80, 1);
  const char* keep = std::getenv("VARNETA_KEEP_SHOTS");
  auto shot = [keep](const char* name) {
    if (keep == nullptr) return;
    rt::waitOnTimer(400);
    const std::string command = std::string("import -window root ") + keep + "/" + name + ".png";
    EXPECT_EQ(std::system(command.c_str()), 0);
  };
  WindowScript script;
  script.on("Formulario de Turnos", [&](rt::WindowDriver& f) {
    shot("appointment_form");
    click(f, "?CANCEL");
  });
  runPlanner({[&](PlannerWindow& w) {
                if (keep) w.window()->resize(1250, 680);
                const int order = 3;  // the column of the attention order
                auto background = [&](std::uint32_t number, int column) {
                  return w.control<QTableView>("?LIST")
                      ->model()
                      ->index(rowOf(number), column)
                      .data(Qt::BackgroundRole)
                      .value<QColor>();
                };
                EXPECT_EQ(GLO::ProximoTurno, 2);
                EXPECT_EQ(background(1000, order), QColor(0, 0xFF, 0));     // seen
                EXPECT_EQ(background(2000, order), QColor(0xFF, 0xFF, 0));  // next
                EXPECT_EQ(background(2001, order), QColor(0xFF, 0xCC, 0xCC));
                EXPECT_EQ(background(4000, 6), QColor(0xFF, 0xCC, 0x99));  // meeting
                EXPECT_EQ(background(13000, 6), QColor(0, 0, 0));          // the break
                EXPECT_EQ(background(12999, 6), QColor(0xC0, 0xC0, 0xC0));
                // Two over-bookings of the morning push the break's start.
                const DayRow& pause = QTU()[static_cast<std::size_t>(rowOf(13000))];
                EXPECT_EQ(pause.HORA, at(8, 0) + minutes(20) * 12 + minutes(10) * 3 + minutes(1));
                shot("planner_busy_day");
              },
              press(2000, "?CHANGE")});
}

// ------------------------------------------------------------------ the form

class AppointmentFormTest : public PlannerWindows {
 protected:
  // Opens the form on a stored appointment for change with its steps.
  int runForm(std::uint32_t code, const std::vector<std::function<void(AppointmentForm&)>>& steps) {
    int answer = 0;
    EXPECT_TRUE(runOnThread([&] {
      core::relate(core::Turnos::def()).open();
      core::Turnos::table().clear();
      core::TUR().Cod_Turno = code;
      EXPECT_EQ(core::Turnos::table().fetch(core::Turnos::TUR01), 0);
      Probed<AppointmentForm> form;
      for (const auto& step : steps) form.probe(step);
      rt::ThreadRequest() = core::request::Change;
      answer = form.Run();
      core::relate(core::Turnos::def()).close();
    }));
    return answer;
  }
};

TEST_F(AppointmentFormTest, StatesByTypeAndConfirmation) {
  struct Case {
    const char* name;
    const char* type;
    std::uint8_t order;
    bool consulted;
    bool patientRequired, patientEnabled, nameEnabled, copayEnabled, orderEnabled, patientTabbed;
  } cases[] = {
      {"TUR not confirmed", "TUR", 0, false, false, true, true, false, false, false},
      {"TUR confirmed", "TUR", 2, false, true, true, false, true, true, true},
      {"TUR with a consultation", "TUR", 2, true, true, false, false, true, false, true},
      {"STU not confirmed", "STU", 0, false, false, true, true, false, false, true},
      {"STU confirmed", "STU", 3, false, true, true, false, true, true, true},
      {"LIB", "LIB", 0, false, false, false, true, false, false, true},
      {"REU", "REU", 0, false, false, false, false, false, false, true},
  };
  std::uint32_t code = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ++code;
    book({code, code * 1000, c.type, 7, c.order});
    if (c.consulted) consult(70 + code, code);
    runForm(code, {[&](AppointmentForm& f) {
                     QWidget* patient = f.control("?TUR:COD_PACIENTE");
                     EXPECT_EQ(rt::isRequired(patient), c.patientRequired);
                     EXPECT_EQ(patient->isEnabled(), c.patientEnabled);
                     EXPECT_EQ(f.control("?TUR:NOMBRE")->isEnabled(), c.nameEnabled);
                     EXPECT_EQ(f.control("?TUR:COSEGURO")->isEnabled(), c.copayEnabled);
                     EXPECT_EQ(f.control("?TUR:NRO_ORDEN_ATENCION")->isEnabled(), c.orderEnabled);
                     EXPECT_EQ((patient->focusPolicy() & Qt::TabFocus) != 0, c.patientTabbed);
                     EXPECT_EQ(f.control<QCheckBox>("?TUR:CONFIRMADO")->isChecked(), c.order != 0);
                     // A click on the check box is undone at once.
                     f.control<QCheckBox>("?TUR:CONFIRMADO")->click();
                     f.post(rt::event::Accepted, f.control("?TUR:CONFIRMADO"));
                   },
                   [&](AppointmentForm& f) {
                     EXPECT_EQ(f.control<QCheckBox>("?TUR:CONFIRMADO")->isChecked(), c.order != 0);
                     click(f, "?CANCEL");
                   }});
  }
}

// 65,543 does not fit a patient's code: it would be looked up as 7, Ana
// Lopez, and the appointment would carry her name under another code.
TEST_F(AppointmentFormTest, APatientCodeLargerThanThePatientsKeyIsRefused) {
  book({1, 1000, "TUR", 0, 0});
  // The refusal, then No to saving the changed appointment on Cancel.
  ScriptedMessages messages({rt::button::Ok, rt::button::No});
  runForm(1, {[](AppointmentForm& f) {
                auto* patient = f.control<QLineEdit>("?TUR:COD_PACIENTE");
                patient->setText("65543");
                patient->setModified(true);
                f.post(rt::event::Accepted, patient);
              },
              [](AppointmentForm& f) {
                EXPECT_EQ(core::TUR().Nombre.clipped(), "");
                click(f, "?CANCEL");
              }});
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].caption, "Código inválido"_cp);
  EXPECT_EQ(messages.asked()[0].text, "El código 65543 no existe: el mayor posible es 65535."_cp);
  EXPECT_EQ(messages.asked()[1].caption, "Guardar Registro");
}

TEST_F(AppointmentFormTest, AnOrderBelowTheNextToBeSeenIsRefused) {
  book({1, 1000, "TUR", 7, 4});
  GLO::ProximoTurno = 3;
  ScriptedMessages messages;
  runForm(1, {[](AppointmentForm& f) {
                auto* order = f.control<QLineEdit>("?TUR:NRO_ORDEN_ATENCION");
                order->setText("1");
                order->setModified(true);
                f.post(rt::event::Accepted, order);
              },
              [](AppointmentForm& f) {
                EXPECT_EQ(f.control<QLineEdit>("?TUR:NRO_ORDEN_ATENCION")->text().trimmed(), "4");
                click(f, "?OK");
              }});
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Error en el Nº del Atención"_cp);
  EXPECT_EQ(stored(1).order, 4);
}

TEST_F(AppointmentFormTest, ChangingTheOrderRenumbersTheDayOnYes) {
  struct Case {
    const char* name;
    int from, to;
    int answer;
    std::vector<int> others;  // orders of appointments 2..6 afterwards
  } cases[] = {
      {"5 to 2", 5, 2, rt::button::Yes, {1, 3, 4, 5, 6}},
      {"2 to 5", 2, 5, rt::button::Yes, {1, 2, 3, 4, 6}},
      {"No leaves them", 5, 2, rt::button::No, {1, 2, 3, 4, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    core::Turnos::table().clear();
    for (std::uint32_t code : appointmentCodes()) {
      core::TUR().Cod_Turno = code;
      ASSERT_EQ(core::Turnos::table().fetch(core::Turnos::TUR01), 0);
      ASSERT_EQ(core::Turnos::table().remove(), 0);
    }
    // Appointment 1 holds `from`; the others hold 1..6 without it, and one
    // without an order.
    book({1, 1000, "TUR", 7, static_cast<std::uint8_t>(c.from)});
    std::uint32_t code = 2;
    for (int order = 1; order <= 6; ++order) {
      if (order == c.from) continue;
      book({code, code * 1000, "TUR", 8, static_cast<std::uint8_t>(order)});
      ++code;
    }
    book({9, 9000, "TUR", 8, 0});
    GLO::ProximoTurno = 1;
    ScriptedMessages messages({c.answer});
    WindowScript script;
    script.on("Formulario de Turnos", [&](rt::WindowDriver& f) {
      f.control<QLineEdit>("?TUR:NRO_ORDEN_ATENCION")->setText(QString::number(c.to));
      click(f, "?OK");
    });
    int answer = 0;
    ASSERT_TRUE(runOnThread([&] {
      core::relate(core::Turnos::def()).open();
      core::Turnos::table().clear();
      core::TUR().Cod_Turno = 1;
      ASSERT_EQ(core::Turnos::table().fetch(core::Turnos::TUR01), 0);
      rt::ThreadRequest() = core::request::Change;
      answer = FormularioTurnos();
      core::relate(core::Turnos::def()).close();
    }));
    EXPECT_EQ(answer, rt::kCompleted);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, "Orden de Atención"_cp);
    EXPECT_EQ(messages.asked()[0].defaultButton, rt::button::Yes);
    std::vector<int> others;
    for (std::uint32_t other = 2; other <= 6; ++other) others.push_back(stored(other).order);
    EXPECT_EQ(others, c.others);
    EXPECT_EQ(stored(1).order, c.to);
    EXPECT_EQ(stored(9).order, 0);
  }
}

TEST_F(AppointmentFormTest, AFailedRenumberingRollsBackWhole) {
  book({1, 1000, "TUR", 7, 2});
  book({2, 2000, "TUR", 8, 3});
  book({3, 3000, "TUR", 8, 4});
  book({4, 4000, "TUR", 8, 5});
  {
    rt::testing::OtherWorkstation other(folder_ / "Varneta.dat");
    ASSERT_TRUE(other.refuse("UPDATE", "Turnos", "old.Cod_Turno = 4")) << other.error();
  }
  ScriptedMessages messages({rt::button::Cancel});
  bool done = true;
  ASSERT_TRUE(runOnThread([&] {
    core::access(core::Copia_Turnos::def()).open();
    done = ReacomodarOrdenAtencion(kPhysician, kToday, 1, 2, 5);
    core::access(core::Copia_Turnos::def()).close();
  }));
  EXPECT_FALSE(done);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Registro no fue Actualizado");
  EXPECT_EQ(stored(2).order, 3);
  EXPECT_EQ(stored(3).order, 4);
  EXPECT_EQ(stored(4).order, 5);
}

TEST_F(AppointmentFormTest, ANewOverBookingTakesTheNextNumberAndTypeChangesFollowTheSheet) {
  // The day as the planner left it: an over-booking 5001 after slot 5000.
  PlannerDay day;
  day.Cod_Medico = kPhysician;
  day.FechaTurno = kToday;
  DayAppointment first;
  first.Cod_Turno = 40;
  first.Tipo = "STU";
  first.Nro_Absoluto = 5001;
  first.Duracion = minutes(10);
  ArmarPlanillaDia(day, DayInput{{}, DaySheet{7, minutes(20), at(8, 0), at(12, 0), 0, 0}, {first}});
  GLO::FechaTurno = kToday;
  GLO::CodMedicoTurno = kPhysician;
  GLO::HoraTurno = at(9, 40);
  GLO::TipoTurno = "STU";
  GLO::IndiceTurno = 6;
  GLO::NroAbsolutoTurno = 5000;
  std::vector<std::pair<std::uint32_t, std::int32_t>> seen;
  auto note = [&seen] { seen.emplace_back(core::TUR().Nro_Absoluto, core::TUR().Duracion); };
  auto retype = [](AppointmentForm& f, const char* code) {
    auto* type = f.control<QComboBox>("?TUR:TIPO");
    type->setCurrentIndex(type->findData(code));
    f.post(rt::event::Accepted, type);
  };
  ASSERT_TRUE(runOnThread([&] {
    core::relate(core::Turnos::def()).open();
    Probed<AppointmentForm> form;
    form.probe([&](AppointmentForm& f) {
      note();
      retype(f, "TUR");
    });
    form.probe([&](AppointmentForm& f) {
      note();
      retype(f, "STU");
    });
    form.probe([&](AppointmentForm& f) {
      note();
      click(f, "?OK");
    });
    rt::ThreadRequest() = core::request::Insert;
    EXPECT_EQ(form.Run(), rt::kCompleted);
    core::relate(core::Turnos::def()).close();
  }));
  EXPECT_EQ(seen, (std::vector<std::pair<std::uint32_t, std::int32_t>>{
                      {5002, minutes(10)}, {5000, minutes(20)}, {5002, minutes(10)}}));
  const Stored s = stored(appointmentCodes().back());
  EXPECT_EQ(s.type, "STU");
  EXPECT_EQ(s.number, 5002u);
  EXPECT_EQ(s.duration, minutes(10));
}

}  // namespace
}  // namespace practice
